#pragma once
// The database pane's worker: one thread per job that reads the file's
// content key without the database lock, then, under the lock, registers
// the file and reads the attribute tree (or only the ticks of the tree the
// pane shows) into a mailbox the window thread empties. It touches no
// window, never asks the user and calls no Qt.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "database/ImageDatabase.h"
#include "dbui/AttributeSnapshot.h"

namespace pix {

struct PaneJob {
    std::string path;                // the file to show; "none" for no file
    std::optional<std::string> key;  // known already: nothing is read or registered
    bool fill = true;                // else a refresh of the ticks at tickPaths
    std::vector<CStrList> tickPaths;
};

struct PaneResult {
    std::string path;
    std::string key;
    // The file could not be read: its registration (which may ask the
    // user) is the window thread's.
    bool unreadable = false;
    bool modified = false;  // the registration changed records to be saved
    bool fill = true;
    std::vector<AttributeNode> nodes;
    std::vector<bool> ticks;  // in the order of the job's tickPaths
};

// Holds workers back before they take the database lock (for tests).
class WorkerGate {
public:
    void Close();
    void Open();
    // Waits while the gate is closed.
    void Pass();

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool closed_ = false;
};

class PaneWorker {
public:
    PaneWorker(CImageDatabase& db, PaneJob job, WorkerGate* gate);
    ~PaneWorker();  // waits for the thread
    PaneWorker(const PaneWorker&) = delete;
    PaneWorker& operator=(const PaneWorker&) = delete;

    bool Finished() const { return finished_.load(std::memory_order_acquire); }
    // The result once finished (taken once).
    std::optional<PaneResult> Take();

private:
    void Run(PaneJob job);

    CImageDatabase& db_;
    WorkerGate* gate_;
    std::mutex mailboxMutex_;
    std::optional<PaneResult> mailbox_;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace pix
