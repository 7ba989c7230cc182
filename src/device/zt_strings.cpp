#include "device/zt_strings.h"

namespace ZT_namespace {

std::string ListText(TTextList list, size_t index)
{
    return index < list.size() ? std::string(list[index]) : std::string();
}

std::string BitLabel(int bit, bool fromZero)
{
    int n = fromZero ? bit : bit + 1;
    if (n < 0)
        return {};
    if (n < 10)
        return std::string(1, static_cast<char>('0' + n));
    return std::string(1, static_cast<char>('A' + (n - 10)));
}

} // namespace ZT_namespace
