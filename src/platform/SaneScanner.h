#pragma once
// One connection to a scanner or camera through the SANE library, which is
// loaded when first needed (libsane.so.1, or the file PIXADROME_SANE_LIBRARY
// names) and stays loaded for the life of the process.
//
// The connection counts states as the acquisition steps do: 1 no library,
// 2 library loaded, 3 library initialised, 4 device open, 6 a page ready
// (started), 7 transferring. State 5, the scan dialog shown, belongs to the
// user interface. Every call but Cancel may block: callers with a window
// make them on a worker thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pix {

class Prompter;
class ScanPageBuilder;

struct ScanDevice {
    std::string name;
    std::string vendor;
    std::string model;
    std::string type;
};

// The failures the acquisition reports, by code, and their texts.
enum class ScanError : int {
    SourceManager = 0,   // "I can't open the source manager."
    DataSource = 1,      // "I can't open the data source."
    Enable = 2,          // "I can't enable the data source."
    CapabilityState = 3, // "Capability set outside state 4 (SOURCE_OPEN)"
    Capability = 4,      // "I can't set a capability."
    Unspecified = 5,
};
// The code's text (the message MsgId::ScanProblem shows).
const char* ScanErrorText(ScanError error);
// Shows the message for a failed step.
void ShowScanProblem(Prompter& prompter, ScanError error);

// Status codes of the library (the ones the caller tells apart).
inline constexpr int kScanGood = 0;
inline constexpr int kScanCancelled = 2;
inline constexpr int kScanEof = 5;
inline constexpr int kScanNoDocs = 7;

class SaneScanner {
public:
    SaneScanner() = default;
    ~SaneScanner();  // steps down to state 1
    SaneScanner(const SaneScanner&) = delete;
    SaneScanner& operator=(const SaneScanner&) = delete;

    int State() const { return state_; }

    // 1 → 3: loads and initialises the library; false: error 0.
    bool Initialise();
    // The devices the library finds (state 3 or more).
    std::vector<ScanDevice> Devices();
    // 3 → 4: opens a device ("" = the first); false: error 1.
    bool Open(const std::string& device);
    enum class OptionResult { Set, Unknown, Refused };
    // Sets an option by its name from text, by the option's type (yes/no,
    // a whole or fixed-point number, text); in state 4 only.
    OptionResult SetOption(const std::string& name, const std::string& value);
    // The option's value as text ("" when there is none).
    std::string Option(const std::string& name);
    // What an option may be set to, for a dialog: its choices (text or
    // numbers) or its range; nothing settable when the device lacks it.
    struct OptionRange {
        bool settable = false;
        std::vector<std::string> choices;
        double minimum = 0;
        double maximum = 0;
    };
    OptionRange Describe(const std::string& name);

    // 4 → 6: starts the next page. kScanNoDocs when the feeder is empty;
    // any other failure leaves the device open (state 4).
    int Start();
    // 6 → 7 → 4: reads the page, all its frames, into page. kScanGood with
    // the page complete; else the status that ended it (the page is then
    // discarded). error gets the reason for a page the builder refused.
    int ReadPage(ScanPageBuilder& page, std::string& error);
    // How a batch of pages ended: every page read (the feeder empty, or
    // the one page of a flatbed), a start or a page failed (the page is
    // dropped), or the caller stopped it.
    enum class BatchEnd { Done, StartFailed, PageFailed, Stopped };
    struct BatchResult {
        BatchEnd end = BatchEnd::Done;
        int status = kScanGood;  // the library's status of a failed step
        std::string error;       // why the builder refused a page, if it did
        std::string Text() const;  // error, else the status's text
    };
    // Scans one page, or every page of a feeder, into builder and ends the
    // batch: onStarted(page) when a page starts, onPage(page) when it is
    // complete (false stops the batch). Pages count from 1.
    BatchResult ScanPages(ScanPageBuilder& builder, bool feeder, const std::function<void(int)>& onStarted,
                          const std::function<bool(int)>& onPage);
    // Ends the batch (after the last page, or to give up). Safe from any
    // thread and from a signal handler.
    void Cancel();
    // Down to state: closing the device, finishing and releasing the library.
    void StepDown(int state);

    // The library's text for a status.
    static std::string StatusText(int status);

private:
    // The descriptor of the named option and its index; null when the
    // device is not open or has no such option.
    const void* FindOption(const std::string& name, int& index);

    int state_ = 1;
    std::atomic<void*> handle_{nullptr};
};

}  // namespace pix
