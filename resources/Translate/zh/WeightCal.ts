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
        <location filename="../../../App/weightcal.ui" line="229"/>
        <source>KN</source>
        <translation>KN</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="234"/>
        <source>N</source>
        <translation>N</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="248"/>
        <source>Decimal:</source>
        <translation>小数点：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="268"/>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="273"/>
        <source>0.0</source>
        <translation>0.0</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="278"/>
        <source>0.00</source>
        <translation>0.00</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="283"/>
        <source>0.000</source>
        <translation>0.000</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="288"/>
        <source>0.0000</source>
        <translation>0.0000</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="302"/>
        <source>Division 1:          </source>
        <translation>分度1：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="322"/>
        <location filename="../../../App/weightcal.ui" line="423"/>
        <location filename="../../../App/weightcal.ui" line="524"/>
        <source>d = 1</source>
        <translation>d = 1</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="327"/>
        <location filename="../../../App/weightcal.ui" line="428"/>
        <location filename="../../../App/weightcal.ui" line="529"/>
        <source>d = 2</source>
        <translation>d = 2</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="332"/>
        <location filename="../../../App/weightcal.ui" line="433"/>
        <location filename="../../../App/weightcal.ui" line="534"/>
        <source>d = 5</source>
        <translation>d = 5</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="337"/>
        <location filename="../../../App/weightcal.ui" line="438"/>
        <location filename="../../../App/weightcal.ui" line="539"/>
        <source>d = 10</source>
        <translation>d = 10</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="342"/>
        <location filename="../../../App/weightcal.ui" line="443"/>
        <location filename="../../../App/weightcal.ui" line="544"/>
        <source>d = 20</source>
        <translation>d = 20</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="347"/>
        <location filename="../../../App/weightcal.ui" line="448"/>
        <location filename="../../../App/weightcal.ui" line="549"/>
        <source>d = 50</source>
        <translation>d = 50</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="361"/>
        <source>Full Scale 1:     </source>
        <translation>量程1：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="403"/>
        <source>Division 2:          </source>
        <translation>分度2：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="462"/>
        <source>Full Scale 2:     </source>
        <translation>量程2：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="504"/>
        <source>Division 3:          </source>
        <translation>分度3：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="563"/>
        <source>Full Scale 3:     </source>
        <translation>量程3：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="668"/>
        <source>CAL-ZERO</source>
        <translation>标零</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="704"/>
        <source>Auto Capture:</source>
        <translation>自动零点：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="729"/>
        <source>Zero</source>
        <translation>标零</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="757"/>
        <source>key In mV:</source>
        <translation>手动零点：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="776"/>
        <source>0 - 15.0000 mV</source>
        <translation>0 - 15.0000 mV</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="792"/>
        <location filename="../../../App/weightcal.ui" line="947"/>
        <location filename="../../../App/weightcal.ui" line="1012"/>
        <location filename="../../../App/weightcal.ui" line="1077"/>
        <location filename="../../../App/weightcal.ui" line="1142"/>
        <location filename="../../../App/weightcal.ui" line="1207"/>
        <location filename="../../../App/weightcal.cpp" line="123"/>
        <source>mV</source>
        <translation>mV</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="805"/>
        <source>Calibration Zero:</source>
        <translation>标定零点：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="888"/>
        <source>CAL Weight</source>
        <translation>砝码标定</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="918"/>
        <source>CP1:</source>
        <translation>标定点1：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="983"/>
        <source>CP2:</source>
        <translation>标定点2：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1048"/>
        <source>CP3:</source>
        <translation>标定点3：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1113"/>
        <source>CP4:</source>
        <translation>标定点4：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1178"/>
        <source>CP5:</source>
        <translation>标定点5：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1312"/>
        <source>Theory CAL</source>
        <translation>理论值标定</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1348"/>
        <source>LC mV/V:</source>
        <translation>传感器灵敏度：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1367"/>
        <source>0.0000 - 3.9999</source>
        <translation>0.0000 - 3.9999</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1380"/>
        <source>Single AD:</source>
        <translation>传感器内码：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1400"/>
        <source>LC Capacity:</source>
        <translation>传感器总量程：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1419"/>
        <location filename="../../../App/weightcal.cpp" line="20"/>
        <source>0 - 999999</source>
        <translation>0 - 999999</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1432"/>
        <source>Use T-CAL:</source>
        <translation>理论值生效：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1452"/>
        <source>Disabled</source>
        <translation>关</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1457"/>
        <source>Enabled</source>
        <translation>开</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1534"/>
        <source>CAL Correct</source>
        <translation>重量修正系数</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1570"/>
        <source>Correct Coef:</source>
        <translation>重量修正系数：</translation>
    </message>
    <message>
        <location filename="../../../App/weightcal.ui" line="1589"/>
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
    <message>
        <source>Scale Test...</source>
        <translation>秤检测...</translation>
    </message>
    <message>
        <source>Scale Test</source>
        <translation>秤检测</translation>
    </message>
</context>
</TS>
