#include "dbui/PaneWorker.h"

#include "common/Prompter.h"
#include "database/Attributes.h"
#include "database/ContentKey.h"
#include "database/DatabaseAccess.h"
#include "database/Maintenance.h"

namespace pix {
namespace {

// A readable file registered without questions asks nothing; should that
// change, the worker still shows nothing.
class SilentPrompter final : public Prompter {
protected:
    Answer Present(const MessageEntry&, const std::string&) override { return Answer::Cancel; }
};

}  // namespace

void WorkerGate::Close()
{
    std::lock_guard lock(mutex_);
    closed_ = true;
}

void WorkerGate::Open()
{
    {
        std::lock_guard lock(mutex_);
        closed_ = false;
    }
    opened_.notify_all();
}

void WorkerGate::Pass()
{
    std::unique_lock lock(mutex_);
    opened_.wait(lock, [this] { return !closed_; });
}

PaneWorker::PaneWorker(CImageDatabase& db, PaneJob job, WorkerGate* gate)
    : db_(db), gate_(gate), thread_([this, j = std::move(job)]() mutable { Run(std::move(j)); })
{
}

PaneWorker::~PaneWorker() { thread_.join(); }

std::optional<PaneResult> PaneWorker::Take()
{
    std::lock_guard lock(mailboxMutex_);
    std::optional<PaneResult> result = std::move(mailbox_);
    mailbox_.reset();
    return result;
}

void PaneWorker::Run(PaneJob job)
{
    PaneResult result;
    result.path = job.path;
    result.fill = job.fill;
    const bool noFile = job.path == kNoFileOwner;
    const bool registering = !job.key && !noFile;
    // The slow part, without the lock: reading the whole file.
    result.key = job.key ? *job.key : noFile ? std::string(kNoFileOwner) : ContentKey(job.path);
    if (gate_)
        gate_->Pass();
    if (registering && result.key.empty()) {
        result.unreadable = true;
    } else {
        std::lock_guard lock(DatabaseMutex());
        if (registering) {
            SilentPrompter silent;
            result.modified = RegisterFile(db_, job.path, result.key, false, silent).modified;
        }
        if (job.fill)
            result.nodes = ReadAttributeTree(db_, result.key);
        else
            result.ticks = ReadTicks(db_, result.key, job.tickPaths);
    }
    {
        std::lock_guard lock(mailboxMutex_);
        mailbox_ = std::move(result);
    }
    finished_.store(true, std::memory_order_release);
}

}  // namespace pix
