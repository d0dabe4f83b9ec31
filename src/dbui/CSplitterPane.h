#pragma once
// The database pane beside the document windows: it follows the file the
// user looks at, registers it and shows its attribute tree. A worker does
// the reading; the pane is disabled until its result is shown.

#include <QWidget>
#include <memory>
#include <optional>
#include <string>

#include "database/DatabaseAccess.h"

class QPushButton;
class QTimer;

namespace pix {

class AppServices;
class AttributeTree;
class PaneWorker;
class WorkerGate;
struct PaneJob;
struct PaneResult;

class CSplitterPane : public QWidget {
    Q_OBJECT
public:
    // Acquires the database; without one the pane stays empty and disabled.
    explicit CSplitterPane(AppServices& app, QWidget* parent = nullptr);
    // Waits for a running worker, then lets the database go (saving it
    // when it changed).
    ~CSplitterPane() override;

    // The periodic check for the file to show; starts a worker when it
    // changed and none runs.
    void Tick();
    // Fills the tree again on a worker (now, or after the running one).
    void Refill();

    bool WorkerRunning() const { return worker_ != nullptr; }
    int WorkersStarted() const { return workersStarted_; }
    const std::string& CurrentFile() const { return currentFile_; }
    AttributeTree* Tree() const { return tree_; }
    QPushButton* AutoFillButton() const { return autoFill_; }
    // Workers wait at gate before taking the database lock (tests).
    void SetWorkerGate(WorkerGate* gate) { gate_ = gate; }

private:
    void StartWorker(PaneJob job);
    void Poll();
    void Apply(PaneResult result);
    void OnAutoFill();

    AppServices& app_;
    std::optional<HeldDatabase> held_;
    CImageDatabase* db_ = nullptr;
    QPushButton* autoFill_;
    AttributeTree* tree_;
    QTimer* tick_;
    QTimer* poll_;
    std::unique_ptr<PaneWorker> worker_;
    WorkerGate* gate_ = nullptr;
    std::string currentFile_;
    std::string currentKey_;
    bool refillPending_ = false;
    bool applying_ = false;
    int workersStarted_ = 0;
};

}  // namespace pix
