#include "dbui/CSplitterPane.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <mutex>

#include "common/Prompter.h"
#include "database/Attributes.h"
#include "database/DatabaseAccess.h"
#include "database/Maintenance.h"
#include "dbui/AttributeTree.h"
#include "dbui/PaneWorker.h"
#include "uiservices/AppServices.h"

namespace pix {

CSplitterPane::CSplitterPane(AppServices& app, QWidget* parent)
    : QWidget(parent),
      app_(app),
      autoFill_(new QPushButton(tr("Auto Fill-in"), this)),
      tree_(new AttributeTree(AttributeTree::Mode::Pane, app, this)),
      tick_(new QTimer(this)),
      poll_(new QTimer(this))
{
    setObjectName(QStringLiteral("databasePane"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    autoFill_->setFixedHeight(24);
    autoFill_->setEnabled(false);
    layout->addWidget(autoFill_);
    layout->addWidget(tree_, 1);
    connect(autoFill_, &QPushButton::clicked, this, &CSplitterPane::OnAutoFill);

    currentFile_ = kNoFileOwner;
    held_.emplace(app_.Database());
    db_ = held_->get();
    if (!db_) {
        setEnabled(false);
        return;
    }
    tree_->SetDatabase(db_);
    tree_->SetRefill([this] { Refill(); });
    connect(tick_, &QTimer::timeout, this, &CSplitterPane::Tick);
    connect(poll_, &QTimer::timeout, this, &CSplitterPane::Poll);
    tick_->start(300);
    poll_->setInterval(10);
    // The first fill is for the file shown already, if there is one.
    const std::optional<std::string> viewed = app_.ViewedFile();
    if (viewed && !viewed->empty())
        StartWorker({*viewed, std::nullopt, true, {}});
    else
        StartWorker({kNoFileOwner, std::string(kNoFileOwner), true, {}});
}

CSplitterPane::~CSplitterPane()
{
    tick_->stop();
    poll_->stop();
    if (worker_) {
        // The window thread keeps serving everything but the user's input
        // until the worker is done; what it registered is then saved.
        while (!worker_->Finished())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5);
        if (std::optional<PaneResult> result = worker_->Take(); result && result->modified)
            app_.Database().MarkDatabaseModified();
        worker_.reset();
    }
    held_.reset();  // saves what the pane changed
}

void CSplitterPane::Tick()
{
    if (!db_ || worker_ || applying_ || tree_->Busy())
        return;
    const std::optional<std::string> viewed = app_.ViewedFile();
    if (!viewed)
        return;
    // A window without a file shows the records of no file.
    const std::string file = viewed->empty() ? std::string(kNoFileOwner) : *viewed;
    if (file == currentFile_)
        return;
    PaneJob job;
    job.path = file;
    job.fill = tree_->topLevelItemCount() == 0;
    if (!job.fill)
        job.tickPaths = tree_->ItemPaths();
    StartWorker(std::move(job));
}

void CSplitterPane::Refill()
{
    if (!db_)
        return;
    if (worker_) {
        refillPending_ = true;
        return;
    }
    StartWorker({currentFile_, currentKey_, true, {}});
}

void CSplitterPane::StartWorker(PaneJob job)
{
    setEnabled(false);
    ++workersStarted_;
    worker_ = std::make_unique<PaneWorker>(*db_, std::move(job), gate_);
    poll_->start();
}

void CSplitterPane::Poll()
{
    if (!worker_ || !worker_->Finished())
        return;
    std::optional<PaneResult> result = worker_->Take();
    worker_.reset();
    poll_->stop();
    if (result)
        Apply(std::move(*result));
    if (refillPending_ && !worker_) {
        refillPending_ = false;
        Refill();
    }
}

void CSplitterPane::Apply(PaneResult result)
{
    applying_ = true;
    currentFile_ = result.path;
    if (result.unreadable) {
        // Registering an unreadable file asks the user; then the tree is
        // shown without a key, so nothing can be stored for it.
        RegisterResult registered;
        {
            std::lock_guard lock(DatabaseMutex());
            registered = RegisterFile(*db_, result.path, std::string(), false, app_.Prompt());
        }
        if (registered.modified)
            app_.Database().MarkDatabaseModified();
        applying_ = false;
        StartWorker({result.path, std::string(), true, {}});
        return;
    }
    if (result.modified)
        app_.Database().MarkDatabaseModified();
    currentKey_ = result.key;
    tree_->SetOwner(currentKey_, currentFile_);
    if (result.fill)
        tree_->Populate(result.nodes);
    else
        tree_->ApplyTicks(result.ticks);
    const bool hasFile = currentFile_ != kNoFileOwner;
    setWindowTitle(hasFile ? tr("File attributes") : tr("Add files to open"));
    autoFill_->setEnabled(hasFile && !currentKey_.empty());
    setEnabled(true);
    applying_ = false;
}

void CSplitterPane::OnAutoFill()
{
    if (!db_ || currentKey_.empty() || currentFile_ == kNoFileOwner)
        return;
    bool filled;
    {
        std::lock_guard lock(DatabaseMutex());
        filled = AutoFillIn(*db_, currentKey_);
    }
    if (!filled)
        return;
    app_.Database().MarkDatabaseModified();
    tree_->RefreshTicks();
}

}  // namespace pix
