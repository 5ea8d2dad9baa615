<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>WeightCal</name>
    <message>
        <location filename="../../../App/weightcal.ui" line="14"/>
        <source>Form</source>
        <translation>窗体</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="153"/>
        <source>Wt.Format</source>
        <translation>重量参数</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="189"/>
        <source>Unit:</source>
        <translation>重量单位：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="209"/>
        <source>t</source>
        <translation>t</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="214"/>
        <source>kg</source>
        <translation>kg</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="219"/>
        <source>g</source>
        <translation>g</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="224"/>
        <source>lb</source>
        <translation>lb</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="238"/>
        <source>Decimal:</source>
        <translation>小数点：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="258"/>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="263"/>
        <source>0.0</source>
        <translation>0.0</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="268"/>
        <source>0.00</source>
        <translation>0.00</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="273"/>
        <source>0.000</source>
        <translation>0.000</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="278"/>
        <source>0.0000</source>
        <translation>0.0000</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="292"/>
        <source>Division 1:          </source>
        <translation>分度1：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="312"/>
        <location filename="../../../App/weightcal.ui" line="413"/>
        <location filename="../../../App/weightcal.ui" line="514"/>
        <source>d = 1</source>
        <translation>d = 1</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="317"/>
        <location filename="../../../App/weightcal.ui" line="418"/>
        <location filename="../../../App/weightcal.ui" line="519"/>
        <source>d = 2</source>
        <translation>d = 2</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="322"/>
        <location filename="../../../App/weightcal.ui" line="423"/>
        <location filename="../../../App/weightcal.ui" line="524"/>
        <source>d = 5</source>
        <translation>d = 5</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="327"/>
        <location filename="../../../App/weightcal.ui" line="428"/>
        <location filename="../../../App/weightcal.ui" line="529"/>
        <source>d = 10</source>
        <translation>d = 10</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="332"/>
        <location filename="../../../App/weightcal.ui" line="433"/>
        <location filename="../../../App/weightcal.ui" line="534"/>
        <source>d = 20</source>
        <translation>d = 20</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="337"/>
        <location filename="../../../App/weightcal.ui" line="438"/>
        <location filename="../../../App/weightcal.ui" line="539"/>
        <source>d = 50</source>
        <translation>d = 50</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="351"/>
        <source>Full Scale 1:     </source>
        <translation>量程1：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="393"/>
        <source>Division 2:          </source>
        <translation>分度2：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="452"/>
        <source>Full Scale 2:     </source>
        <translation>量程2：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="494"/>
        <source>Division 3:          </source>
        <translation>分度3：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="553"/>
        <source>Full Scale 3:     </source>
        <translation>量程3：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="658"/>
        <source>CAL-ZERO</source>
        <translation>标零</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="694"/>
        <source>Auto Capture:</source>
        <translation>自动零点：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="719"/>
        <source>Zero</source>
        <translation>标零</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="747"/>
        <source>key In mV:</source>
        <translation>手动零点：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="766"/>
        <source>0 - 15.0000 mV</source>
        <translation>0 - 15.0000 mV</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="782"/>
        <location filename="../../../App/weightcal.ui" line="937"/>
        <location filename="../../../App/weightcal.ui" line="1002"/>
        <location filename="../../../App/weightcal.ui" line="1067"/>
        <location filename="../../../App/weightcal.ui" line="1132"/>
        <location filename="../../../App/weightcal.ui" line="1197"/>
        <location filename="../../../App/weightcal.cpp" line="123"/>
        <source>mV</source>
        <translation>mV</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="795"/>
        <source>Calibration Zero:</source>
        <translation>标定零点：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="878"/>
        <source>CAL Weight</source>
        <translation>砝码标定</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="908"/>
        <source>CP1:</source>
        <translation>标定点1：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="973"/>
        <source>CP2:</source>
        <translation>标定点2：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1038"/>
        <source>CP3:</source>
        <translation>标定点3：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1103"/>
        <source>CP4:</source>
        <translation>标定点4：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1168"/>
        <source>CP5:</source>
        <translation>标定点5：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1302"/>
        <source>Theory CAL</source>
        <translation>理论值标定</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1338"/>
        <source>LC mV/V:</source>
        <translation>传感器灵敏度：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1357"/>
        <source>0.0000 - 3.9999</source>
        <translation>0.0000 - 3.9999</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1370"/>
        <source>Single AD:</source>
        <translation>传感器内码：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1390"/>
        <source>LC Capacity:</source>
        <translation>传感器总量程：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1409"/>
        <location filename="../../../App/weightcal.cpp" line="20"/>
        <source>0 - 999999</source>
        <translation>0 - 999999</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1422"/>
        <source>Use T-CAL:</source>
        <translation>理论值生效：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1442"/>
        <source>Disable</source>
        <translation>关</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1447"/>
        <source>Enable</source>
        <translation>开</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1524"/>
        <source>CAL Correct</source>
        <translation>重量修正系数</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1560"/>
        <source>Correct Coef:</source>
        <translation>重量修正系数：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1579"/>
        <source>0.00001 - 9.99999</source>
        <translation>0.00001 - 9.99999</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.cpp" line="14"/>
        <source>Calibration remote editing disabled, remote modification of calibration parameters prohibited!</source>
        <translation>标定远程编辑关闭，禁止远程修改相关参数！</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.cpp" line="20"/>
        <source>0 - 99999.9</source>
        <translation>0 - 99999.9</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.cpp" line="21"/>
        <source>0 - 9999.99</source>
        <translation>0 - 9999.99</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.cpp" line="21"/>
        <source>0 - 999.999</source>
        <translation>0 - 999.999</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.cpp" line="22"/>
        <source>0 - 99.9999</source>
        <translation>0 - 99.9999</translation>
    </message>
</context>
</TS>
