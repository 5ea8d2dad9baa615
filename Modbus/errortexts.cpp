#include "errortexts.h"

namespace {

// The instrument's own wording, one entry per bit of the error word.
const char *const englishTexts[32] = {
    "Over Zero Range",
    "Non Stable",
    "Over Zero Range",
    "Non Stable",
    "Loadcell Under",
    "Loadcell Over",
    "Forbid Zero",
    "Non Stable ",
    "-OFL When Tare",
    "OFL When Tare",
    "Tare Err",
    "Forbid Tare",
    "Over RZero Range",
    "",
    "",
    "",
    "Non Stable",
    "Zero Cal -OFL",
    "Zero Cal OFL",
    "mV UnSTAB",
    "Loadcell Under",
    "Loadcell Over",
    "Weight Error",
    "Input Wt Zero",
    "Over Full Scale",
    "Over Resolution",
    "No Before Gain",
    "Hardware Protect",
    "Remote OPS Ban",
    "",
    "AD Fault",
    "CAL Error",
};

const char *const chineseTexts[32] = {
    "上电清零超范围",
    "上电清零时不稳定",
    "清零超范围",
    "清零时不稳定",
    "清零时传感器负溢出",
    "清零时传感器正溢出",
    "净重状态不允许清零",
    "去皮时不稳定",
    "去皮时传感器负溢出",
    "去皮时传感器正溢出",
    "去皮时重量为负",
    "净重状态不允许去皮",
    "强制归零超范围",
    "",
    "",
    "",
    "零点标定不稳定",
    "零点标定时传感器负溢出",
    "零点标定时传感器正溢出",
    "重量标定不稳定",
    "重量标定时传感器负溢出",
    "重量标定时传感器正溢出",
    "重量标定小于零点或前一个标定点",
    "重量输入不能为零",
    "重量输入超过最大量程",
    "超出最小分辨率",
    "前一个重量点未标定",
    "标定时处于硬件保护中",
    "禁止远程标定",
    "",
    "AD故障",
    "标定错误",
};

} // namespace

QString InstrumentErrorText(int bit, bool chinese)
{
    if (bit < 0 || bit > 31)
        return QString();
    return chinese ? QString::fromUtf8(chineseTexts[bit]) : QString::fromLatin1(englishTexts[bit]);
}
