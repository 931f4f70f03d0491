// Talks to whatever answers hidapi: enumerates, sends query 8BH unscrambled, prints
// the reply, then waits for one notification report. Exits 2 when nothing is found.
#include <hidapi.h>

#include <cstdio>
#include <string>

namespace {

void print(const char *label, const unsigned char *data, int count)
{
    std::printf("%s", label);
    for (int i = 0; i < count; ++i)
        std::printf(" %02x", data[i]);
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace

int main()
{
    if (hid_init() != 0)
        return 1;
    std::string command, notify;
    int count = 0;
    hid_device_info *list = hid_enumerate(0x04d9, 0xa09f);
    for (hid_device_info *info = list; info; info = info->next, ++count) {
        if (info->usage_page == 0xff00)
            command = info->path;
        if (info->usage_page == 0xff01)
            notify = info->path;
    }
    hid_free_enumeration(list);
    std::printf("interfaces %d\n", count);
    if (command.empty() || notify.empty())
        return 2;

    hid_device *dev = hid_open_path(command.c_str());
    const unsigned char query[9] = {0x00, 0x8b, 0, 0, 0, 0, 0, 0, 0x74};
    unsigned char reply[9] = {0};
    const int sent = dev ? hid_send_feature_report(dev, query, sizeof query) : -1;
    const int got = dev ? hid_get_feature_report(dev, reply, sizeof reply) : -1;
    std::printf("sent %d got %d\n", sent, got);
    print("reply", reply, got > 0 ? got : 0);
    if (dev)
        hid_close(dev);

    hid_device *listener = hid_open_path(notify.c_str());
    std::printf("ready\n");
    std::fflush(stdout);
    unsigned char report[4] = {0};
    const int read = listener ? hid_read_timeout(listener, report, sizeof report, 20000) : -1;
    print("notify", report, read > 0 ? read : 0);
    if (listener)
        hid_close(listener);
    hid_exit();
    return 0;
}
