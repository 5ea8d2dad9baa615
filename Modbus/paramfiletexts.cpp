#include "paramcatalogue.h"

#include <QHash>

// What the parameter files say about each parameter: names in both template
// languages, raw limits, unit or note, and how an import may treat it.
//
// Limits are raw register values, the ranges the pages state. A weight's range
// follows the decimal setting only in how it is shown ("1 - 999999" with no
// decimals is "0.1 - 99999.9" with one): its raw range is the same for every
// setting, so the limit is the range stated for 0 decimals. Fixed-factor
// fields (mV, mA, seconds, coefficients) are given in their raw units.
// Where the instrument itself holds more than a page offers (a full scale of
// 1000000, no re-zero threshold or time, no digital sensors), the limit takes
// the instrument's value in, so that a file exported from an instrument always
// imports back into it.

namespace {

struct FileText
{
    int address;
    const char *nameEn;
    const char *nameCn;
    qint64 rawMin;
    qint64 rawMax;
    const char *noteEn;
    const char *noteCn;
};

const char WeightEn[] = "raw weight: shown value x 10^decimals";
const char WeightCn[] = "原始重量：显示值 x 10^小数位数";
const char OffOnEn[] = "0 OFF, 1 ON";
const char OffOnCn[] = "0 关，1 开";
const char DivisionEn[] = "division value 1, 2, 5, 10, 20, 50";
const char DivisionCn[] = "分度值 1、2、5、10、20、50";
const char InputEn[] = "0 None, 1-4 Pre.Point 1-4, 5 Zero, 6 Para Reset, 7 Tare/Clear Tare, "
                       "8 Tare, 9 Clear Tare, 10 CAL Lock, 11 Print, 12 Gross/Net";
const char InputCn[] = "0 无，1-4 预置点1-4，5 清零，6 参数复位，7 去皮/清皮，8 去皮，9 清皮，"
                       "10 标定锁，11 打印，12 毛重/净重";
const char OutputEn[] = "0 None, 1-4 Pre.Point 1-4, 5 Stable, 6 Overflow";
const char OutputCn[] = "0 无，1-4 预置点1-4，5 稳定，6 溢出";
const char CompModeEn[] = "0 OFF, 1 W<CV1, 2 W<=CV1, 3 W=CV1, 4 W>=CV1, 5 W>CV1, 6 W!=CV1, "
                          "7 CV1<=W<=CV2, 8 W<[CV1,CV2]>W, 9 External Trigger";
const char CompModeCn[] = "0 关，1 W<CV1，2 W<=CV1，3 W=CV1，4 W>=CV1，5 W>CV1，6 W!=CV1，"
                          "7 CV1<=W<=CV2，8 W<[CV1,CV2]>W，9 外部触发";
const char BaudEn[] = "0 1200, 1 2400, 2 4800, 3 9600, 4 19200, 5 38400, 6 57600, 7 115200";
const char BaudCn[] = "0 1200，1 2400，2 4800，3 9600，4 19200，5 38400，6 57600，7 115200";
const char ProtocolEn[] = "0 Modbus RTU, 1 r-Cont, 2 r-SPI, 3 r-tt, 4 r-Cb920, 5 rE-Cont, "
                          "6 rE-rEAd, 7 Pt650D, 8 YH, 9 Print, 10 WI125";
const char ProtocolCn[] = "0 Modbus RTU，1 r-Cont，2 r-SPI，3 r-tt，4 r-Cb920，5 rE-Cont，"
                          "6 rE-rEAd，7 Pt650D，8 YH，9 打印，10 WI125";
const char FormatEn[] = "0 8-N-1, 1 8-E-1, 2 8-O-1, 3 7-E-1, 4 7-O-1";
const char FormatCn[] = "0 8-N-1，1 8-E-1，2 8-O-1，3 7-E-1，4 7-O-1";
const char DwordEn[] = "0 AB-CD, 1 CD-AB";
const char DwordCn[] = "0 AB-CD，1 CD-AB";
const char ComLedEn[] = "0 COM 1, 1 COM 2, 2 COM 3, 3 NetCOM";
const char ComLedCn[] = "0 COM 1，1 COM 2，2 COM 3，3 NetCOM";
const char OutMaEn[] = "0.001 mA or 0.001 V";
const char OutMaCn[] = "0.001 mA 或 0.001 V";

const FileText fileTexts[] = {
    {50, "Power-on zero range", "上电清零范围", 0, 101, "%", "%"},
    {52, "Zero tracking range", "追零范围", 0, 99, "d", "d"},
    {54, "Zero range", "清零范围", 0, 99, "%", "%"},
    {56, "Stability range", "判稳范围", 0, 99, "d", "d"},
    {58, "Digital filter", "数字滤波", 0, 9, "", ""},
    {60, "Advanced filter", "稳态滤波", 0, 99, "d", "d"},
    {62, "Sample rate", "AD采样速度", 0, 5, "0 30, 1 60, 2 120, 3 240, 4 480, 5 960 Hz",
     "0 30，1 60，2 120，3 240，4 480，5 960 Hz"},
    {64, "Tare record", "皮重记忆", 0, 1, OffOnEn, OffOnCn},
    {66, "Zero tracking time", "追零时间", 1, 5000, "ms", "ms"},
    {68, "Stability time", "判稳时间", 1, 5000, "ms", "ms"},
    {70, "Re-zero threshold", "强制归零阈值", 0, 999999, WeightEn, WeightCn},
    {72, "Re-zero time", "强制归零时间", 0, 20, "s", "s"},
    {74, "Re-zero switch", "强制归零开关", 0, 1, OffOnEn, OffOnCn},
    {100, "Unit", "单位", 0, 5, "0 t, 1 kg, 2 g, 3 lb, 4 KN, 5 N",
     "0 t，1 kg，2 g，3 lb，4 KN，5 N"},
    {102, "Decimals", "小数位数", 0, 4, "number of decimals", "小数位数"},
    {104, "Division 1", "分度值1", 1, 50, DivisionEn, DivisionCn},
    {106, "Full scale 1", "满量程1", 0, 9999999, WeightEn, WeightCn},
    {108, "Zero capture", "零点采集", 0, 1, "command", "命令"},
    {110, "Key-in zero", "输入零点", 0, 150000, "0.0001 mV", "0.0001 mV"},
    {112, "Calibration weight 1", "标定砝码1", 0, 9999999, WeightEn, WeightCn},
    {114, "Calibration weight 2", "标定砝码2", 0, 9999999, WeightEn, WeightCn},
    {116, "Calibration weight 3", "标定砝码3", 0, 9999999, WeightEn, WeightCn},
    {118, "Calibration weight 4", "标定砝码4", 0, 9999999, WeightEn, WeightCn},
    {120, "Calibration weight 5", "标定砝码5", 0, 9999999, WeightEn, WeightCn},
    {122, "Load cell sensitivity", "传感器灵敏度", 0, 39999, "0.0001 mV/V", "0.0001 mV/V"},
    {124, "Load cell capacity", "传感器量程", 0, 999999, "", ""},
    {126, "Theoretical calibration", "理论标定", 0, 1, "0 Disabled, 1 Enabled", "0 禁用，1 启用"},
    {128, "Correction coefficient", "修正系数", 1, 999999, "0.00001", "0.00001"},
    {130, "Division 2", "分度值2", 1, 50, DivisionEn, DivisionCn},
    {132, "Full scale 2", "满量程2", 0, 9999999, WeightEn, WeightCn},
    {134, "Division 3", "分度值3", 1, 50, DivisionEn, DivisionCn},
    {136, "Full scale 3", "满量程3", 0, 9999999, WeightEn, WeightCn},
    {150, "Input 1 function", "输入1功能", 0, 12, InputEn, InputCn},
    {152, "Input 2 function", "输入2功能", 0, 12, InputEn, InputCn},
    {154, "Input 3 function", "输入3功能", 0, 12, InputEn, InputCn},
    {156, "Input 4 function", "输入4功能", 0, 12, InputEn, InputCn},
    {170, "Output 1 function", "输出1功能", 0, 6, OutputEn, OutputCn},
    {172, "Output 2 function", "输出2功能", 0, 6, OutputEn, OutputCn},
    {174, "Output 3 function", "输出3功能", 0, 6, OutputEn, OutputCn},
    {176, "Output 4 function", "输出4功能", 0, 6, OutputEn, OutputCn},
    {178, "Output 5 function", "输出5功能", 0, 6, OutputEn, OutputCn},
    {180, "Output 6 function", "输出6功能", 0, 6, OutputEn, OutputCn},
    {360, "Network protocol", "网口协议", 0, 1, "0 Modbus/TCP, 1 Quarn-Cont/TCP",
     "0 Modbus/TCP，1 Quarn-Cont/TCP"},
    {362, "Network word order", "网口双字格式", 0, 1, DwordEn, DwordCn},
    {364, "Network send gap", "网口发送间隔", 0, 1000, "ms", "ms"},
    {366, "Network socket", "网口端口号", 1, 65535, "", ""},
    {368, "IP address byte 1", "IP地址1", 0, 255, "", ""},
    {370, "IP address byte 2", "IP地址2", 0, 255, "", ""},
    {372, "IP address byte 3", "IP地址3", 0, 255, "", ""},
    {374, "IP address byte 4", "IP地址4", 0, 255, "", ""},
    {376, "Network write enable", "网口写使能", 0, 1, OffOnEn, OffOnCn},
    {378, "Network data type", "网口数据类型", 0, 1, "0 Weight(Int), 1 Weight(Float)",
     "0 重量（整数），1 重量（浮点）"},
    {390, "Print language", "打印语言", 0, 1, "0 Chinese, 1 English", "0 中文，1 英文"},
    {392, "Print content", "打印内容", 0, 4,
     "0 Display Weight, 1 Gross, 2 Net, 3 Net & Tare, 4 Gross & Net & Tare",
     "0 显示重量，1 毛重，2 净重，3 净重和皮重，4 毛重、净重和皮重"},
    {394, "Ticket gap", "小票间隔", 0, 99, "", ""},
    {460, "Analog output type", "模拟量输出类型", 0, 3, "0 4-20 mA, 1 0-10 V, 2 User-mA, 3 User-V",
     "0 4-20 mA，1 0-10 V，2 自定义mA，3 自定义V"},
    {462, "Analog minimum output", "模拟量最小输出", 0, 24000, OutMaEn, OutMaCn},
    {464, "Analog zero output", "模拟量零点输出", 0, 24000, OutMaEn, OutMaCn},
    {466, "Analog full-scale output", "模拟量满量程输出", 0, 24000, OutMaEn, OutMaCn},
    {468, "Analog maximum output", "模拟量最大输出", 0, 24000, OutMaEn, OutMaCn},
    {520, "Reset all", "全部复位", 0, 1, "command", "命令"},
    {522, "Reset calibration", "标定复位", 0, 1, "command", "命令"},
    {524, "Reset application", "应用复位", 0, 1, "command", "命令"},
    {530, "Backlight level", "背光亮度", 0, 2, "0 Low, 1 Mid, 2 High", "0 低，1 中，2 高"},
    {532, "Network LED function", "网口指示灯定义", 0, 4,
     "0 COM 1, 1 COM 2, 2 COM 3, 3 NetCOM, 4 Net", "0 COM 1，1 COM 2，2 COM 3，3 NetCOM，4 Net"},
    {534, "COM LED 1 function", "串口指示灯1定义", 0, 3, ComLedEn, ComLedCn},
    {536, "COM LED 2 function", "串口指示灯2定义", 0, 3, ComLedEn, ComLedCn},
    {640, "Digital sensor count", "数字传感器数量", 0, 8, "", ""},
    {674, "Digital output way", "数字输出方式", 0, 1, "0 AD OutWay, 1 Wt OutWay",
     "0 AD输出，1 重量输出"},
    {676, "Digital send time", "数字发送时间", 20, 100, "ms", "ms"},
    {678, "Digital accuracy", "数字精度", 0, 2, "0 1, 1 0.1, 2 0.01", "0 1，1 0.1，2 0.01"},
    {680, "Digital filter", "数字滤波等级", 0, 2, "0 Low, 1 Mid, 2 High", "0 低，1 中，2 高"},
    {720, "Sensor search", "传感器搜索", 0, 1, "command", "命令"},
    {722, "Corner reset", "角差复位", 0, 1, "command", "命令"},
    {724, "Corner fix", "角差修正", 0, 1, "command", "命令"},
    {9301, "Calibration remote edit", "标定远程编辑", 0, 1, OffOnEn, OffOnCn},
    {9302, "Application remote edit", "应用远程编辑", 0, 1, OffOnEn, OffOnCn},
};

struct RepeatedText
{
    int base;
    int step;
    int n;
    const char *nameEn; // "%1" is the number
    const char *nameCn;
    qint64 rawMin;
    qint64 rawMax;
    const char *noteEn;
    const char *noteCn;
};

// Blocks that repeat: comparators (five fields each), serial ports (seven each),
// digital sensors.
const RepeatedText repeatedTexts[] = {
    {190, 20, 4, "Pre.Point %1 judge stable", "预置点%1判稳", 0, 1, OffOnEn, OffOnCn},
    {192, 20, 4, "Pre.Point %1 duration", "预置点%1持续时间", 0, 999, "0.1 s", "0.1 s"},
    {194, 20, 4, "Pre.Point %1 compare mode", "预置点%1比较方式", 0, 9, CompModeEn, CompModeCn},
    {196, 20, 4, "Pre.Point %1 value 1", "预置点%1比较值1", 0, 9999999, WeightEn, WeightCn},
    {198, 20, 4, "Pre.Point %1 value 2", "预置点%1比较值2", 0, 9999999, WeightEn, WeightCn},
    {300, 20, 3, "COM %1 station id", "串口%1站号", 1, 99, "", ""},
    {302, 20, 3, "COM %1 baud rate", "串口%1波特率", 0, 7, BaudEn, BaudCn},
    {304, 20, 3, "COM %1 protocol", "串口%1协议", 0, 10, ProtocolEn, ProtocolCn},
    {306, 20, 3, "COM %1 data format", "串口%1数据格式", 0, 4, FormatEn, FormatCn},
    {308, 20, 3, "COM %1 word order", "串口%1双字格式", 0, 1, DwordEn, DwordCn},
    {310, 20, 3, "COM %1 send gap", "串口%1发送间隔", 0, 1000, "ms", "ms"},
    {312, 20, 3, "COM %1 CRC", "串口%1校验", 0, 1, OffOnEn, OffOnCn},
    {602, 2, 8, "Sensor %1 AD value", "传感器%1 AD值", 0, 0xFFFFFFFFLL, "", ""},
    {642, 2, 8, "Sensor %1 address", "传感器%1地址", 0, 0xFFFFFFFFLL, "", ""},
    {658, 2, 8, "Corner %1 ratio", "角差系数%1", 1, 800000, "0.00001", "0.00001"},
};

} // namespace

void ApplyFileTexts(QVector<ParamRow> &rows)
{
    QHash<int, FileText> byAddress;
    for (const FileText &t : fileTexts)
        byAddress.insert(t.address, t);
    static QList<QByteArray> names; // the numbered names live as long as the catalogue
    for (const RepeatedText &t : repeatedTexts) {
        for (int i = 0; i < t.n; ++i) {
            names.append(QByteArray(t.nameEn).replace("%1", QByteArray::number(i + 1)));
            const char *en = names.last().constData();
            names.append(QByteArray(t.nameCn).replace("%1", QByteArray::number(i + 1)));
            const char *cn = names.last().constData();
            byAddress.insert(t.base + t.step * i,
                             {t.base + t.step * i, en, cn, t.rawMin, t.rawMax, t.noteEn, t.noteCn});
        }
    }
    for (ParamRow &row : rows) {
        const auto it = byAddress.constFind(row.address);
        if (it == byAddress.cend())
            continue;
        row.nameEn = it->nameEn;
        row.nameCn = it->nameCn;
        row.rawMin = it->rawMin;
        row.rawMax = it->rawMax;
        row.noteEn = it->noteEn;
        row.noteCn = it->noteCn;
        if (row.kind == ParamKind::Command)
            row.access = ParamAccess::Command;
        // Sensor AD values and bus addresses come from the sensors themselves (the
        // search assigns the addresses): shown, never written from a file.
        else if (row.kind == ParamKind::Display || (row.address >= 602 && row.address < 618) ||
                 (row.address >= 642 && row.address < 658))
            row.access = ParamAccess::ReadOnly;
        // The remote-edit switches are written here and read back in the system block.
        if (row.address == 9301 || row.address == 9302) {
            row.access = ParamAccess::WriteOnly;
            row.readBack = quint16(row.address == 9301 ? 10121 : 10122);
        }
    }
}
