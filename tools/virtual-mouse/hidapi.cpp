// hidapi 0.13.1 as its hidraw backend behaves, answered by the virtual mouse.
#include "mouse.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>

using namespace kvm;

namespace {

const wchar_t manufacturer[] = L"ZORVANT";
const wchar_t product[] = L"KESTA MOUSE";
const wchar_t serial[] = L"KVM-0001";

const char *ifaceName(Iface iface)
{
    return iface == Iface::Command ? "command" : "notify";
}

bool matches(const Config &config, unsigned short vid, unsigned short pid)
{
    return (vid == 0 || vid == config.vid) && (pid == 0 || pid == config.pid);
}

wchar_t *copyWide(const wchar_t *text)
{
    const size_t size = (std::wcslen(text) + 1) * sizeof(wchar_t);
    auto *copy = static_cast<wchar_t *>(std::malloc(size));
    if (copy)
        std::memcpy(copy, text, size);
    return copy;
}

// Allocated the C way: hid_free_enumeration releases it.
hid_device_info *makeInfo(const Config &config, Iface iface)
{
    auto *info = static_cast<hid_device_info *>(std::calloc(1, sizeof(hid_device_info)));
    if (!info)
        return nullptr;
    const bool command = iface == Iface::Command;
    info->path = strdup(command ? commandPath : notifyPath);
    info->vendor_id = config.vid;
    info->product_id = config.pid;
    info->serial_number = copyWide(serial);
    info->release_number = 0x0100;
    info->manufacturer_string = copyWide(manufacturer);
    info->product_string = copyWide(product);
    info->usage_page = command ? config.usagePage : config.usagePage2;
    info->usage = command ? config.usage : config.usage2;
    info->interface_number = command ? 1 : 2;
    info->bus_type = HID_API_BUS_USB;
    return info;
}

std::wstring widen(const std::string &text)
{
    return std::wstring(text.begin(), text.end());
}

WireEntry entry(const char *call, const Handle *handle, const uint8_t *data, size_t length,
                int result, std::string verdict)
{
    WireEntry e;
    e.call = call;
    e.iface = handle ? ifaceName(handle->iface) : "";
    if (data)
        e.bytes.assign(data, data + length);
    e.result = result;
    e.verdict = std::move(verdict);
    return e;
}

// A handle hidapi never gave out, or one closed already.
int invalidHandle(Mouse &m, const char *call)
{
    m.log(entry(call, nullptr, nullptr, 0, -1, "invalid device handle"));
    return -1;
}

int failCall(Mouse &m, Handle &h, const char *call, const uint8_t *data, size_t length,
             const std::string &error)
{
    h.error = widen(error);
    m.log(entry(call, &h, data, length, -1, error));
    return -1;
}

// *error gets what open(2) would leave in errno; hidapi leaves it there.
hid_device *openPath(Mouse &m, const char *path, int *error)
{
    m.globalError.clear();
    const std::string name = path ? path : "";
    const Config &config = m.firmware.config();
    const bool known = name == commandPath || (name == notifyPath && config.notifyInterface);
    if (!known || !m.plugged || m.faults.openDenied) {
        const bool denied = known && m.plugged;
        *error = denied ? EACCES : ENOENT;
        m.globalError = widen("Failed to open a device with path '" + name +
                              "': " + (denied ? "Permission denied" : "No such file or directory"));
        WireEntry e = entry("open", nullptr, nullptr, 0, -1,
                            (denied ? "permission denied: " : "no such device: ") + name);
        if (name == commandPath || name == notifyPath) // still say which one went
            e.iface = ifaceName(name == commandPath ? Iface::Command : Iface::Notify);
        m.log(std::move(e));
        return nullptr;
    }
    auto handle = std::make_shared<Handle>();
    handle->iface = name == commandPath ? Iface::Command : Iface::Notify;
    handle->generation = m.generation;
    auto token = std::make_unique<hid_device>();
    hid_device *dev = token.get();
    m.log(entry("open", handle.get(), nullptr, 0, 0, "ok"));
    m.handles[dev] = Mouse::Registered{std::move(token), std::move(handle)};
    return dev;
}

int readReport(Call &call, hid_device *dev, unsigned char *data, size_t length, int milliseconds)
{
    Mouse &m = call.m;
    const std::shared_ptr<Handle> h = m.find(dev);
    if (!h)
        return invalidHandle(m, "read");
    h->error.clear();
    const bool forever = milliseconds < 0;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
    for (;;) {
        // The handle may be closed or the mouse unplugged while we wait.
        if (!m.alive(*h))
            return failCall(m, *h, "read", nullptr, 0,
                            "hid_read_timeout: unexpected poll error (device disconnected)");
        if (m.firmware.hasInput(h->iface)) {
            const Report report = m.firmware.takeInput(h->iface);
            const size_t count = std::min(length, report.size());
            std::copy(report.begin(), report.begin() + count, data);
            m.log(entry("read", h.get(), data, count, static_cast<int>(count), "ok"));
            return static_cast<int>(count);
        }
        if (milliseconds == 0)
            break;
        if (forever)
            m.inputChanged.wait(call.lock);
        else if (m.inputChanged.wait_until(call.lock, deadline) == std::cv_status::timeout &&
                 !m.firmware.hasInput(h->iface))
            break;
    }
    if (!m.alive(*h))
        return failCall(m, *h, "read", nullptr, 0,
                        "hid_read_timeout: unexpected poll error (device disconnected)");
    m.log(entry("read", h.get(), nullptr, 0, 0, "timeout"));
    return 0;
}

int copyString(hid_device *dev, wchar_t *string, size_t maxlen, const wchar_t *text)
{
    Mouse &m = Mouse::instance();
    std::lock_guard<std::mutex> lock(m.mutex);
    const std::shared_ptr<Handle> h = m.find(dev);
    if (!h || !string || maxlen == 0)
        return -1;
    if (!m.alive(*h)) {
        h->error = L"No such device";
        return -1;
    }
    std::wcsncpy(string, text, maxlen);
    string[maxlen - 1] = L'\0';
    return 0;
}

} // namespace

extern "C" {

int HID_API_EXPORT HID_API_CALL hid_init(void)
{
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_exit(void)
{
    return 0;
}

struct hid_device_info HID_API_EXPORT *HID_API_CALL hid_enumerate(unsigned short vendor_id,
                                                                  unsigned short product_id)
{
    Call call;
    Mouse &m = call.m;
    m.globalError.clear();
    const Config &config = m.firmware.config();
    hid_device_info *head = nullptr;
    hid_device_info **tail = &head;
    int count = 0;
    if (m.plugged && matches(config, vendor_id, product_id)) {
        for (Iface iface : {Iface::Command, Iface::Notify}) {
            if (iface == Iface::Notify && !config.notifyInterface)
                continue;
            *tail = makeInfo(config, iface);
            if (!*tail)
                break;
            tail = &(*tail)->next;
            ++count;
        }
    }
    if (!head)
        m.globalError = vendor_id == 0 && product_id == 0
                            ? L"No HID devices found in the system."
                            : L"No HID devices with requested VID/PID found in the system.";
    m.log(entry("enumerate", nullptr, nullptr, 0, count, "ok"));
    return head;
}

void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info *devs)
{
    while (devs) {
        hid_device_info *next = devs->next;
        std::free(devs->path);
        std::free(devs->serial_number);
        std::free(devs->manufacturer_string);
        std::free(devs->product_string);
        std::free(devs);
        devs = next;
    }
}

HID_API_EXPORT hid_device *HID_API_CALL hid_open(unsigned short vendor_id,
                                                 unsigned short product_id,
                                                 const wchar_t *serial_number)
{
    Call call;
    Mouse &m = call.m;
    const bool found = m.plugged && matches(m.firmware.config(), vendor_id, product_id) &&
                       (!serial_number || std::wcscmp(serial_number, serial) == 0);
    if (!found) {
        m.globalError = L"Device with requested VID/PID/(SerialNumber) not found";
        m.log(entry("open", nullptr, nullptr, 0, -1, "no such device"));
        return nullptr;
    }
    int error = 0;
    return openPath(m, commandPath, &error);
}

HID_API_EXPORT hid_device *HID_API_CALL hid_open_path(const char *path)
{
    int error = 0;
    hid_device *dev = nullptr;
    {
        Call call;
        dev = openPath(call.m, path, &error);
    }
    if (!dev)
        errno = error; // set last: releasing the call may run code of its own
    return dev;
}

int HID_API_EXPORT HID_API_CALL hid_write(hid_device *dev, const unsigned char *data, size_t length)
{
    Call call;
    Mouse &m = call.m;
    const std::shared_ptr<Handle> h = m.find(dev);
    if (!h)
        return invalidHandle(m, "write");
    h->error.clear();
    if (!m.alive(*h))
        return failCall(m, *h, "write", data, length, "No such device");
    if (!data || length == 0)
        return failCall(m, *h, "write", nullptr, 0, "Invalid argument");
    if (h->iface == Iface::Notify) {
        const Outcome out = m.firmware.reject("output report on the notification interface");
        h->error = L"Broken pipe";
        m.log(entry("write", h.get(), data, length, -1, out.verdict()));
        return -1;
    }
    const Outcome out = m.firmware.receiveOutput(data, length);
    if (out.changed)
        m.persist();
    m.log(entry("write", h.get(), data, length, static_cast<int>(length), out.verdict()));
    return static_cast<int>(length);
}

int HID_API_EXPORT HID_API_CALL hid_read_timeout(hid_device *dev, unsigned char *data,
                                                 size_t length, int milliseconds)
{
    Call call;
    return readReport(call, dev, data, length, milliseconds);
}

int HID_API_EXPORT HID_API_CALL hid_read(hid_device *dev, unsigned char *data, size_t length)
{
    Call call;
    const std::shared_ptr<Handle> h = call.m.find(dev);
    const bool nonblocking = h && h->nonblocking;
    return readReport(call, dev, data, length, nonblocking ? 0 : -1);
}

int HID_API_EXPORT HID_API_CALL hid_set_nonblocking(hid_device *dev, int nonblock)
{
    Mouse &m = Mouse::instance();
    std::lock_guard<std::mutex> lock(m.mutex);
    const std::shared_ptr<Handle> h = m.find(dev);
    if (!h)
        return -1;
    h->nonblocking = nonblock != 0;
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_send_feature_report(hid_device *dev, const unsigned char *data,
                                                        size_t length)
{
    Call call;
    Mouse &m = call.m;
    const std::shared_ptr<Handle> h = m.find(dev);
    if (!h)
        return invalidHandle(m, "send_feature");
    h->error.clear();
    if (!m.alive(*h))
        return failCall(m, *h, "send_feature", data, length, "ioctl (SFEATURE): No such device");
    if (!data || length == 0)
        return failCall(m, *h, "send_feature", nullptr, 0, "ioctl (SFEATURE): Invalid argument");
    Outcome out = h->iface == Iface::Notify
                      ? m.firmware.reject("feature report on the notification interface")
                      : m.firmware.receiveFeature(data, length);
    if (h->iface == Iface::Notify)
        out.stall = true;
    if (out.changed)
        m.persist();
    const int result = out.stall ? -1 : static_cast<int>(length);
    if (out.stall)
        h->error = L"ioctl (SFEATURE): Broken pipe";
    WireEntry e = entry("send_feature", h.get(), data, length, result, out.verdict());
    if (out.plain)
        e.plain.assign(out.plain->begin(), out.plain->end());
    m.log(std::move(e));
    return result;
}

int HID_API_EXPORT HID_API_CALL hid_get_feature_report(hid_device *dev, unsigned char *data,
                                                       size_t length)
{
    Call call;
    Mouse &m = call.m;
    const std::shared_ptr<Handle> h = m.find(dev);
    if (!h)
        return invalidHandle(m, "get_feature");
    h->error.clear();
    if (!m.alive(*h))
        return failCall(m, *h, "get_feature", nullptr, 0, "ioctl (GFEATURE): No such device");
    if (!data || length == 0)
        return failCall(m, *h, "get_feature", nullptr, 0, "ioctl (GFEATURE): Invalid argument");
    if (h->iface == Iface::Notify || data[0] != 0) {
        const Outcome out = m.firmware.reject(
            h->iface == Iface::Notify
                ? "feature report read on the notification interface"
                : "feature report ID 0x" + hexByte(data[0]) + " read, only 0x00 exists");
        h->error = L"ioctl (GFEATURE): Broken pipe";
        m.log(entry("get_feature", h.get(), data, 1, -1, out.verdict()));
        return -1;
    }
    if (m.faults.silent)
        return failCall(m, *h, "get_feature", nullptr, 0, "ioctl (GFEATURE): Connection timed out");
    const ReplyRead reply = m.firmware.readReply();
    const size_t count = std::min(length, reply.wire.size());
    std::copy(reply.wire.begin(), reply.wire.begin() + count, data);
    WireEntry e = entry("get_feature", h.get(), data, count, static_cast<int>(count),
                        reply.fresh ? "ok" : "no reply prepared: the last one is repeated");
    e.plain.assign(reply.plain.begin(), reply.plain.end());
    m.log(std::move(e));
    return static_cast<int>(count);
}

int HID_API_EXPORT HID_API_CALL hid_get_input_report(hid_device *dev, unsigned char *data,
                                                     size_t length)
{
    (void)data;
    (void)length;
    Mouse &m = Mouse::instance();
    std::lock_guard<std::mutex> lock(m.mutex);
    const std::shared_ptr<Handle> h = m.find(dev);
    if (h) // the mouse answers no GET_REPORT(Input) requests
        h->error = m.alive(*h) ? L"ioctl (GINPUT): Broken pipe" : L"ioctl (GINPUT): No such device";
    return -1;
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device *dev)
{
    Call call;
    Mouse &m = call.m;
    const auto it = m.handles.find(dev);
    if (it == m.handles.end())
        return;
    it->second.handle->closed = true;
    m.inputChanged.notify_all(); // a reader of this handle (a fault of the caller) gets -1
    m.log(entry("close", it->second.handle.get(), nullptr, 0, 0, "ok"));
    m.handles.erase(it);
}

int HID_API_EXPORT_CALL hid_get_manufacturer_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return copyString(dev, string, maxlen, manufacturer);
}

int HID_API_EXPORT_CALL hid_get_product_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return copyString(dev, string, maxlen, product);
}

int HID_API_EXPORT_CALL hid_get_serial_number_string(hid_device *dev, wchar_t *string,
                                                     size_t maxlen)
{
    return copyString(dev, string, maxlen, serial);
}

struct hid_device_info HID_API_EXPORT *HID_API_CALL hid_get_device_info(hid_device *dev)
{
    Mouse &m = Mouse::instance();
    std::lock_guard<std::mutex> lock(m.mutex);
    const std::shared_ptr<Handle> h = m.find(dev);
    if (!h)
        return nullptr;
    if (!h->info)
        h->info.reset(makeInfo(m.firmware.config(), h->iface));
    return h->info.get();
}

int HID_API_EXPORT_CALL hid_get_indexed_string(hid_device *dev, int string_index, wchar_t *string,
                                               size_t maxlen)
{
    (void)string_index;
    (void)string;
    (void)maxlen;
    Mouse &m = Mouse::instance();
    std::lock_guard<std::mutex> lock(m.mutex);
    if (const std::shared_ptr<Handle> h = m.find(dev))
        h->error = L"hid_get_indexed_string: not supported by hidraw";
    return -1;
}

HID_API_EXPORT const wchar_t *HID_API_CALL hid_error(hid_device *dev)
{
    Mouse &m = Mouse::instance();
    std::lock_guard<std::mutex> lock(m.mutex);
    if (!dev)
        return m.globalError.empty() ? L"Success" : m.globalError.c_str();
    const std::shared_ptr<Handle> h = m.find(dev);
    if (!h)
        return L"Invalid device handle";
    return h->error.empty() ? L"Success" : h->error.c_str();
}

HID_API_EXPORT const struct hid_api_version *HID_API_CALL hid_version(void)
{
    static const hid_api_version version = {HID_API_VERSION_MAJOR, HID_API_VERSION_MINOR,
                                            HID_API_VERSION_PATCH};
    return &version;
}

HID_API_EXPORT const char *HID_API_CALL hid_version_str(void)
{
    return HID_API_VERSION_STR;
}

} // extern "C"
