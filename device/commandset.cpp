#include "device/commandset.h"

namespace CommandSet {

HidCodec::Frame frame(const Entry &entry, std::initializer_list<uchar> args, int dataLength)
{
    HidCodec::Params params{};
    for (std::size_t i = 0; i < params.size(); ++i) {
        const Param &p = entry.params[i];
        switch (p.kind) {
        case Param::Fixed:
            params[i] = p.value;
            break;
        case Param::Arg:
            params[i] = p.value < args.size() ? *(args.begin() + p.value) : uchar(0);
            break;
        case Param::DataLength:
            params[i] = uchar(dataLength);
            break;
        }
    }
    return HidCodec::buildFrame(entry.code, params);
}

} // namespace CommandSet
