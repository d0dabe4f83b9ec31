#include "platform/SaneScanner.h"

#include <dlfcn.h>
#include <sane/sane.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <mutex>

#include "common/Prompter.h"
#include "platform/ScanPage.h"

namespace pix {
namespace {

// The library's entry points, looked up once.
struct SaneApi {
    decltype(&::sane_init) init;
    decltype(&::sane_exit) exit;
    decltype(&::sane_get_devices) getDevices;
    decltype(&::sane_open) open;
    decltype(&::sane_close) close;
    decltype(&::sane_get_option_descriptor) optionDescriptor;
    decltype(&::sane_control_option) controlOption;
    decltype(&::sane_get_parameters) getParameters;
    decltype(&::sane_start) start;
    decltype(&::sane_read) read;
    decltype(&::sane_cancel) cancel;
    decltype(&::sane_strstatus) strstatus;
};

const SaneApi* LoadSane()
{
    static const SaneApi* api = [] () -> const SaneApi* {
        const char* path = std::getenv("PIXADROME_SANE_LIBRARY");
        // Backends may keep threads and handlers: never unmapped.
        void* lib = dlopen(path && *path ? path : "libsane.so.1", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (!lib)
            return nullptr;
        static SaneApi a;
        bool ok = true;
        auto get = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
            ok = ok && fn;
        };
        get(a.init, "sane_init");
        get(a.exit, "sane_exit");
        get(a.getDevices, "sane_get_devices");
        get(a.open, "sane_open");
        get(a.close, "sane_close");
        get(a.optionDescriptor, "sane_get_option_descriptor");
        get(a.controlOption, "sane_control_option");
        get(a.getParameters, "sane_get_parameters");
        get(a.start, "sane_start");
        get(a.read, "sane_read");
        get(a.cancel, "sane_cancel");
        get(a.strstatus, "sane_strstatus");
        return ok ? &a : nullptr;
    }();
    return api;
}

// The library is initialised once per process at a time.
std::mutex initMutex;
int initCount = 0;

// An option a caller may set now.
bool Settable(const SANE_Option_Descriptor& d) { return SANE_OPTION_IS_SETTABLE(d.cap) && SANE_OPTION_IS_ACTIVE(d.cap); }

ScanFrameFormat FormatOf(const SANE_Parameters& p)
{
    return {static_cast<int>(p.format), p.last_frame != 0, p.bytes_per_line, p.pixels_per_line, p.lines, p.depth};
}

}  // namespace

const char* ScanErrorText(ScanError error)
{
    switch (error) {
    case ScanError::SourceManager: return "I can't open the source manager.";
    case ScanError::DataSource: return "I can't open the data source.";
    case ScanError::Enable: return "I can't enable the data source.";
    case ScanError::CapabilityState: return "Capability set outside state 4 (SOURCE_OPEN)";
    case ScanError::Capability: return "I can't set a capability.";
    case ScanError::Unspecified: break;
    }
    return "It says some unspecified error occurred.";
}

SaneScanner::~SaneScanner() { StepDown(1); }

bool SaneScanner::Initialise()
{
    if (state_ >= 3)
        return true;
    const SaneApi* api = LoadSane();
    if (!api)
        return false;
    state_ = 2;
    std::lock_guard lock(initMutex);
    if (initCount == 0) {
        SANE_Int version = 0;
        if (api->init(&version, nullptr) != SANE_STATUS_GOOD)
            return false;
    }
    ++initCount;
    state_ = 3;
    return true;
}

std::vector<ScanDevice> SaneScanner::Devices()
{
    std::vector<ScanDevice> devices;
    const SANE_Device** list = nullptr;
    if (state_ < 3 || LoadSane()->getDevices(&list, SANE_TRUE) != SANE_STATUS_GOOD || !list)
        return devices;
    auto text = [](const char* s) { return std::string(s ? s : ""); };
    for (; *list; ++list)
        devices.push_back({text((*list)->name), text((*list)->vendor), text((*list)->model), text((*list)->type)});
    return devices;
}

bool SaneScanner::Open(const std::string& device)
{
    if (state_ != 3)
        return state_ == 4;
    std::string name = device;
    if (name.empty()) {
        const std::vector<ScanDevice> devices = Devices();
        if (devices.empty())
            return false;
        name = devices.front().name;
    }
    SANE_Handle handle = nullptr;
    if (LoadSane()->open(name.c_str(), &handle) != SANE_STATUS_GOOD || !handle)
        return false;
    handle_ = handle;
    state_ = 4;
    return true;
}

const void* SaneScanner::FindOption(const std::string& name, int& index)
{
    const SaneApi* api = LoadSane();
    SANE_Int count = 0;
    index = -1;
    if (state_ < 4 || api->controlOption(handle_, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        return nullptr;
    for (SANE_Int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor* d = api->optionDescriptor(handle_, i);
        if (d && d->name && name == d->name) {
            index = i;
            return d;
        }
    }
    return nullptr;
}

SaneScanner::OptionResult SaneScanner::SetOption(const std::string& name, const std::string& value)
{
    if (state_ != 4)
        return OptionResult::Refused;
    int index = -1;
    const auto* d = static_cast<const SANE_Option_Descriptor*>(FindOption(name, index));
    if (!d)
        return OptionResult::Unknown;
    if (!Settable(*d))
        return OptionResult::Refused;
    const SaneApi* api = LoadSane();
    std::vector<char> buffer(std::max<size_t>(size_t(std::max<SANE_Int>(d->size, 0)), value.size() + 1), 0);
    char* end = nullptr;
    switch (d->type) {
    case SANE_TYPE_BOOL: {
        SANE_Bool b = value == "yes" || value == "1" || value == "true";
        if (!b && value != "no" && value != "0" && value != "false")
            return OptionResult::Refused;
        std::memcpy(buffer.data(), &b, sizeof b);
        break;
    }
    case SANE_TYPE_INT:
    case SANE_TYPE_FIXED: {
        const double v = std::strtod(value.c_str(), &end);
        // Fixed point holds 16 integer bits, a word 31.
        const double limit = d->type == SANE_TYPE_INT ? 2147483647.0 : 32767.0;
        if (end == value.c_str() || *end || !std::isfinite(v) || std::fabs(v) > limit)
            return OptionResult::Refused;
        SANE_Word w = d->type == SANE_TYPE_INT ? static_cast<SANE_Word>(std::lround(v)) : SANE_FIX(v);
        std::memcpy(buffer.data(), &w, sizeof w);
        break;
    }
    case SANE_TYPE_STRING:
        if (value.size() + 1 > size_t(std::max<SANE_Int>(d->size, 0)))
            return OptionResult::Refused;
        std::memcpy(buffer.data(), value.c_str(), value.size() + 1);
        break;
    default:
        return OptionResult::Refused;
    }
    SANE_Int info = 0;
    if (api->controlOption(handle_, index, SANE_ACTION_SET_VALUE, buffer.data(), &info) != SANE_STATUS_GOOD)
        return OptionResult::Refused;
    // A value the device rounded is set; one it replaced is refused.
    if ((info & SANE_INFO_INEXACT) && d->type == SANE_TYPE_STRING)
        return OptionResult::Refused;
    return OptionResult::Set;
}

std::string SaneScanner::Option(const std::string& name)
{
    int index = -1;
    const auto* d = static_cast<const SANE_Option_Descriptor*>(FindOption(name, index));
    if (!d || d->size <= 0 || !SANE_OPTION_IS_ACTIVE(d->cap))
        return {};
    const SaneApi* api = LoadSane();
    std::vector<char> buffer(size_t(d->size) + 1, 0);
    if (api->controlOption(handle_, index, SANE_ACTION_GET_VALUE, buffer.data(), nullptr) != SANE_STATUS_GOOD)
        return {};
    SANE_Word w = 0;
    std::memcpy(&w, buffer.data(), std::min(sizeof w, buffer.size()));
    switch (d->type) {
    case SANE_TYPE_BOOL: return w ? "yes" : "no";
    case SANE_TYPE_INT: return std::to_string(w);
    case SANE_TYPE_FIXED: return std::to_string(SANE_UNFIX(w));
    case SANE_TYPE_STRING: return std::string(buffer.data());
    default: return {};
    }
}

SaneScanner::OptionRange SaneScanner::Describe(const std::string& name)
{
    OptionRange range;
    int index = -1;
    const auto* d = static_cast<const SANE_Option_Descriptor*>(FindOption(name, index));
    if (!d || !Settable(*d))
        return range;
    range.settable = true;
    auto number = [&](SANE_Word w) { return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : double(w); };
    if (d->constraint_type == SANE_CONSTRAINT_STRING_LIST && d->constraint.string_list) {
        for (const SANE_String_Const* s = d->constraint.string_list; *s; ++s)
            range.choices.emplace_back(*s);
    } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list) {
        // The first word counts the others.
        const SANE_Word count = std::clamp<SANE_Word>(d->constraint.word_list[0], 0, 4096);
        for (SANE_Word i = 1; i <= count; ++i) {
            const double v = number(d->constraint.word_list[i]);
            range.choices.push_back(d->type == SANE_TYPE_FIXED ? std::to_string(v) : std::to_string(long(v)));
        }
    } else if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range) {
        range.minimum = number(d->constraint.range->min);
        range.maximum = number(d->constraint.range->max);
    }
    return range;
}

int SaneScanner::Start()
{
    if (state_ != 4)
        return SANE_STATUS_INVAL;
    const int status = LoadSane()->start(handle_);
    if (status == SANE_STATUS_GOOD)
        state_ = 6;
    return status;
}

int SaneScanner::ReadPage(ScanPageBuilder& page, std::string& error)
{
    if (state_ != 6)
        return SANE_STATUS_INVAL;
    const SaneApi* api = LoadSane();
    state_ = 7;
    page.Reset();  // whatever an earlier page left unfinished
    std::vector<uint8_t> buffer(size_t{1} << 16);
    int status = SANE_STATUS_GOOD;
    for (bool more = true; more;) {
        SANE_Parameters parameters{};
        // The parameters are exact only once the frame has started.
        status = api->getParameters(handle_, &parameters);
        if (status != SANE_STATUS_GOOD)
            break;
        if (!page.BeginFrame(FormatOf(parameters), error)) {
            status = SANE_STATUS_INVAL;
            break;
        }
        for (;;) {
            SANE_Int length = 0;
            status = api->read(handle_, buffer.data(), static_cast<SANE_Int>(buffer.size()), &length);
            if (status != SANE_STATUS_GOOD)
                break;
            page.Add(buffer.data(), size_t(std::clamp<SANE_Int>(length, 0, static_cast<SANE_Int>(buffer.size()))));
        }
        if (status != SANE_STATUS_EOF)
            break;
        status = SANE_STATUS_GOOD;
        // A page cut short (a cancel answers with the end of the data).
        if (!page.EndFrame()) {
            status = SANE_STATUS_CANCELLED;
            break;
        }
        more = !parameters.last_frame;
        if (more && (status = api->start(handle_)) != SANE_STATUS_GOOD)
            break;
    }
    if (status == SANE_STATUS_GOOD && !page.Complete())
        status = SANE_STATUS_CANCELLED;
    state_ = 4;
    return status;
}

void SaneScanner::Cancel()
{
    if (void* handle = handle_.load())
        if (const SaneApi* api = LoadSane())
            api->cancel(handle);
}

void SaneScanner::StepDown(int state)
{
    const SaneApi* api = LoadSane();
    if (state_ > 4 && state < state_) {
        Cancel();
        state_ = 4;
    }
    if (state_ == 4 && state < 4) {
        api->close(handle_.exchange(nullptr));
        state_ = 3;
    }
    if (state_ == 3 && state < 3) {
        std::lock_guard lock(initMutex);
        if (--initCount == 0)
            api->exit();
        state_ = 2;
    }
    if (state < 2)
        state_ = 1;
}

SaneScanner::BatchResult SaneScanner::ScanPages(ScanPageBuilder& builder, bool feeder,
                                                const std::function<void(int)>& onStarted,
                                                const std::function<bool(int)>& onPage)
{
    BatchResult result;
    for (int page = 1;; ++page) {
        const int started = Start();
        if (started == kScanNoDocs && page > 1)
            break;  // the feeder is empty
        if (started != kScanGood) {
            result = {BatchEnd::StartFailed, started, {}};
            break;
        }
        onStarted(page);
        const int read = ReadPage(builder, result.error);
        if (read != kScanGood) {
            result.end = BatchEnd::PageFailed;
            result.status = read;
            break;
        }
        if (!onPage(page)) {
            result.end = BatchEnd::Stopped;
            break;
        }
        if (!feeder)
            break;
    }
    Cancel();  // ends the batch
    return result;
}

std::string SaneScanner::BatchResult::Text() const { return error.empty() ? StatusText(status) : error; }

void ShowScanProblem(Prompter& prompter, ScanError error)
{
    prompter.Show(MsgId::ScanProblem, {ScanErrorText(error)});
}

std::string SaneScanner::StatusText(int status)
{
    const SaneApi* api = LoadSane();
    const char* text = api ? api->strstatus(static_cast<SANE_Status>(status)) : nullptr;
    return text ? text : "unknown status " + std::to_string(status);
}

}  // namespace pix
