// Quantity names: captions, code names and the lookup from either.
#include "logdata/Quantity.h"

#include "suite/Textutil.h"

namespace driftline {

namespace {

constexpr const char* Captions[QuantityCount] = {
    "Time", "Azimuth", "Altitude", "Right ascension", "Declination", "Beta", "Lambda", "Volts",
};
constexpr const char* CodeNames[QuantityCount] = {
    "Time", "Azimuth", "Altitude", "RightAscension", "Declination", "Beta", "Lambda", "Volts",
};

}  // namespace

const char* QuantityCaption(int q)
{
    return q >= 0 && q < QuantityCount ? Captions[q] : "";
}

const char* QuantityCodeName(int q)
{
    return q >= 0 && q < QuantityCount ? CodeNames[q] : "";
}

bool ParseQuantity(std::string_view text, Quantity& q)
{
    if (text.size() == 1 && text[0] >= '0' && text[0] < '0' + QuantityCount) {
        q = static_cast<Quantity>(text[0] - '0');
        return true;
    }
    for (int i = 0; i < QuantityCount; ++i) {
        if (EqualsIgnoringCase(text, Captions[i]) || EqualsIgnoringCase(text, CodeNames[i])) {
            q = static_cast<Quantity>(i);
            return true;
        }
    }
    return false;
}

}  // namespace driftline
