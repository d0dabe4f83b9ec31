// A scanner library for tests, loaded in place of libsane through
// PIXADROME_SANE_LIBRARY. One device, "scripted", with a "source" option
// (flatbed or feeder), sends the pages PIX_SCRIPTED_SANE_PAGES lists as
// solid colours ("ff0000,00ff00": red, then green), 16 × 8 pixels each,
// one per start; a start after the last answers that the feeder is empty.
// The page PIX_SCRIPTED_SANE_HOLD numbers (from 1) stops after half its
// rows until a cancel, then ends short, as a real device does. Every call
// that changes the connection's state is appended, one word a line, to
// the file PIX_SCRIPTED_SANE_LOG; reads are logged only as they end.
#include <sane/sane.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kWidth = 16;
constexpr int kHeight = 8;
constexpr int kLine = 3 * kWidth;

std::mutex logMutex;
std::vector<uint32_t> pages;
int hold = 0;
int started = 0;  // pages started; the page being read
int sent = 0;     // bytes of it sent
bool reading = false;
std::atomic<bool> cancelled{false};
char source[32] = "Flatbed";
int handle = 1;

void Log(const std::string& what)
{
    std::lock_guard lock(logMutex);
    if (const char* path = std::getenv("PIX_SCRIPTED_SANE_LOG"))
        std::ofstream(path, std::ios::app) << what << '\n';
}

SANE_String_Const sources[] = {"Flatbed", "Automatic Document Feeder", nullptr};
SANE_Option_Descriptor options[] = {
    {"", "Number of options", "", SANE_TYPE_INT, SANE_UNIT_NONE, sizeof(SANE_Word), SANE_CAP_SOFT_DETECT,
     SANE_CONSTRAINT_NONE, {nullptr}},
    {"source", "Source", "", SANE_TYPE_STRING, SANE_UNIT_NONE, sizeof source, SANE_CAP_SOFT_SELECT | SANE_CAP_SOFT_DETECT,
     SANE_CONSTRAINT_STRING_LIST, {reinterpret_cast<const SANE_String_Const*>(sources)}},
};
SANE_Device device{"scripted", "Pixadrome", "Script", "virtual device"};
const SANE_Device* devices[] = {&device, nullptr};

}  // namespace

extern "C" {

SANE_Status sane_init(SANE_Int* version, SANE_Auth_Callback)
{
    if (version)
        *version = SANE_VERSION_CODE(1, 0, 0);
    pages.clear();
    std::istringstream list(std::getenv("PIX_SCRIPTED_SANE_PAGES") ? std::getenv("PIX_SCRIPTED_SANE_PAGES") : "");
    for (std::string colour; std::getline(list, colour, ',');)
        pages.push_back(uint32_t(std::stoul(colour, nullptr, 16)));
    hold = std::getenv("PIX_SCRIPTED_SANE_HOLD") ? std::atoi(std::getenv("PIX_SCRIPTED_SANE_HOLD")) : 0;
    started = 0;
    Log("init");
    return SANE_STATUS_GOOD;
}

void sane_exit() { Log("exit"); }

SANE_Status sane_get_devices(const SANE_Device*** list, SANE_Bool)
{
    *list = devices;
    return SANE_STATUS_GOOD;
}

SANE_Status sane_open(SANE_String_Const name, SANE_Handle* h)
{
    if (std::strcmp(name, "") != 0 && std::strcmp(name, "scripted") != 0)
        return SANE_STATUS_INVAL;
    *h = &handle;
    Log("open");
    return SANE_STATUS_GOOD;
}

void sane_close(SANE_Handle) { Log("close"); }

const SANE_Option_Descriptor* sane_get_option_descriptor(SANE_Handle, SANE_Int option)
{
    return option >= 0 && option < 2 ? &options[option] : nullptr;
}

SANE_Status sane_control_option(SANE_Handle, SANE_Int option, SANE_Action action, void* value, SANE_Int* info)
{
    if (info)
        *info = 0;
    if (option == 0 && action == SANE_ACTION_GET_VALUE) {
        *static_cast<SANE_Word*>(value) = 2;
        return SANE_STATUS_GOOD;
    }
    if (option != 1 || reading)
        return SANE_STATUS_INVAL;
    if (action == SANE_ACTION_GET_VALUE) {
        std::memcpy(value, source, sizeof source);
        return SANE_STATUS_GOOD;
    }
    std::snprintf(source, sizeof source, "%s", static_cast<const char*>(value));
    return SANE_STATUS_GOOD;
}

SANE_Status sane_get_parameters(SANE_Handle, SANE_Parameters* p)
{
    *p = {SANE_FRAME_RGB, SANE_TRUE, kLine, kWidth, kHeight, 8};
    return SANE_STATUS_GOOD;
}

SANE_Status sane_start(SANE_Handle)
{
    if (reading)
        return SANE_STATUS_DEVICE_BUSY;
    if (started == int(pages.size())) {
        Log("empty");
        return SANE_STATUS_NO_DOCS;
    }
    ++started;
    sent = 0;
    reading = true;
    cancelled = false;
    Log("start");
    return SANE_STATUS_GOOD;
}

SANE_Status sane_read(SANE_Handle, SANE_Byte* data, SANE_Int max, SANE_Int* length)
{
    *length = 0;
    if (!reading)
        return SANE_STATUS_INVAL;
    const int total = kLine * kHeight;
    const int limit = started == hold ? total / 2 : total;
    while (sent == limit && limit < total && !cancelled)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (sent == limit || cancelled) {
        reading = false;
        Log(sent == total ? "eof" : "short");
        return SANE_STATUS_EOF;
    }
    const uint32_t colour = pages[size_t(started - 1)];
    for (; *length < max && sent < limit; ++*length, ++sent)
        data[*length] = SANE_Byte(colour >> (8 * (2 - sent % 3)));
    return SANE_STATUS_GOOD;
}

void sane_cancel(SANE_Handle)
{
    cancelled = true;
    Log("cancel");
}

SANE_String_Const sane_strstatus(SANE_Status status)
{
    return status == SANE_STATUS_CANCELLED ? "Operation was cancelled" : "Scripted status";
}

}  // extern "C"
