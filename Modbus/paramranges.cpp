#include "paramranges.h"

namespace {

// Analog outputs are left out: their range follows the output type.
const NamedRange ranges[] = {
    // Basic configuration
    {"EditPWROnzero", {0, 101}},
    {"EditTrZeroRange", {0, 99}},
    {"EditZeroRange", {0, 99}},
    {"EditSTABRange", {0, 99}},
    {"EditDigit_Filter", {0, 9}},
    {"EditAdv_Filter", {0, 99}},
    {"EditTrZeroTime", {1, 5000}},
    {"EditSTABTime", {1, 5000}},
    {"EditRZeroThr", {1, 999999}},
    {"EditRZeroTime", {1, 20}},
    // Weight and calibration
    {"EditFullScale", {0, 999999}},
    {"EditFullScale_2", {0, 999999}},
    {"EditFullScale_3", {0, 999999}},
    {"EditManualZero", {0, 150000}},
    {"EditLcMv", {0, 39999}},
    {"EditLcCapacity", {0, 999999}},
    {"EditCorrectCoef", {1, 999999}},
    // Application: comparison points
    {"Edit_Duration_1", {0, 999}},
    {"Edit_Duration_2", {0, 999}},
    {"Edit_Duration_3", {0, 999}},
    {"Edit_Duration_4", {0, 999}},
    {"Edit_CompVal1_1", {0, 999999}},
    {"Edit_CompVal1_2", {0, 999999}},
    {"Edit_CompVal1_3", {0, 999999}},
    {"Edit_CompVal1_4", {0, 999999}},
    {"Edit_CompVal2_1", {0, 999999}},
    {"Edit_CompVal2_2", {0, 999999}},
    {"Edit_CompVal2_3", {0, 999999}},
    {"Edit_CompVal2_4", {0, 999999}},
    // Data transmission
    {"EditComID_1", {1, 99}},
    {"EditComID_2", {1, 99}},
    {"EditComID_3", {1, 99}},
    {"EditSendGap_1", {0, 1000}},
    {"EditSendGap_2", {0, 1000}},
    {"EditSendGap_3", {0, 1000}},
    {"EditNetComSendGap", {0, 1000}},
    {"EditNetComSocket", {1, 65535}},
    {"EditIP_1", {0, 255}},
    {"EditIP_2", {0, 255}},
    {"EditIP_3", {0, 255}},
    {"EditIP_4", {0, 255}},
    {"EditTicketGap", {0, 99}},
    // Digital sensors; an emptied corner factor is written as 0, which the page allows.
    {"EditModuleNum", {1, 8}},
    {"EditSendTime", {20, 100}},
    {"EditAngleDif1", {0, 800000}},
    {"EditAngleDif2", {0, 800000}},
    {"EditAngleDif3", {0, 800000}},
    {"EditAngleDif4", {0, 800000}},
    {"EditAngleDif5", {0, 800000}},
    {"EditAngleDif6", {0, 800000}},
    {"EditAngleDif7", {0, 800000}},
    {"EditAngleDif8", {0, 800000}},
};

} // namespace

const RawRange *FindRawRange(const QString &widget)
{
    for (const NamedRange &named : ranges) {
        if (widget == QLatin1String(named.widget))
            return &named.range;
    }
    return nullptr;
}

const NamedRange *RawRanges(int *count)
{
    *count = int(sizeof ranges / sizeof ranges[0]);
    return ranges;
}
