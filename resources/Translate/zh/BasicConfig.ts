<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>BasicConfig</name>
    <message>
        <location filename="../../../App/basicconfig.ui" line="14"/>
        <source>Form</source>
        <translation>窗体</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="153"/>
        <source>Zero &amp; RZero</source>
        <translation>清零与强制归零</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="189"/>
        <source>PWR-On Zero:</source>
        <translation>上电清零：</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="208"/>
        <source>0 - 101 %</source>
        <translation>0 - 101 %</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="221"/>
        <location filename="../../../App/basicconfig.ui" line="266"/>
        <source>%</source>
        <translation>%</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="234"/>
        <source>Zero Range:          </source>
        <translation>清零范围：</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="253"/>
        <source>0 - 99 %</source>
        <translation>0 - 99 %</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="279"/>
        <source>RZero Thr. Value:</source>
        <translation>强制归零阈值：</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="321"/>
        <source>RZero Time:</source>
        <translation>强制归零时间：</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="340"/>
        <source>1 - 20 s</source>
        <translation>1 - 20 s</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="353"/>
        <source>s</source>
        <translation>s</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="366"/>
        <source>RZero Switch:</source>
        <translation>强制归零开关：</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="386"/>
        <location filename="../../../App/basicconfig.ui" line="524"/>
        <source>OFF</source>
        <translation>关</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="391"/>
        <location filename="../../../App/basicconfig.ui" line="529"/>
        <source>ON</source>
        <translation>开</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="468"/>
        <source>Tare Config</source>
        <translation>皮重操作</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="504"/>
        <source>Tare Record:</source>
        <translation>皮重记忆：</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="606"/>
        <source>STAB &amp; TrZero</source>
        <translation>判稳与追零</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="642"/>
        <source>STAB Range:          </source>
        <translation>判稳范围：</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="661"/>
        <location filename="../../../App/basicconfig.ui" line="751"/>
        <location filename="../../../App/basicconfig.ui" line="972"/>
        <source>0 - 99 d</source>
        <translation>0 - 99 d</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="674"/>
        <location filename="../../../App/basicconfig.ui" line="764"/>
        <location filename="../../../App/basicconfig.ui" line="985"/>
        <source>d</source>
        <translation>d</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="687"/>
        <source>STAB Time:</source>
        <translation>判稳时间：</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="706"/>
        <location filename="../../../App/basicconfig.ui" line="796"/>
        <source>1 - 5000 ms</source>
        <translation>1 - 5000 ms</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="719"/>
        <location filename="../../../App/basicconfig.ui" line="809"/>
        <source>ms</source>
        <translation>ms</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="732"/>
        <source>TrZero Range:</source>
        <translation>追零范围：</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="777"/>
        <source>TrZero Time:</source>
        <translation>追零时间：</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="885"/>
        <source>Sample Filter</source>
        <translation>滤波与采样</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="921"/>
        <source>Digit-Filter:          </source>
        <translation>数字滤波：</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="940"/>
        <source>0 - 9</source>
        <translation>0 - 9</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="953"/>
        <source>Adv. Filter:</source>
        <translation>稳态滤波：</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="998"/>
        <source>Sample Rate:</source>
        <translation>AD采样速度：</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="1018"/>
        <source>30</source>
        <translation>30</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="1023"/>
        <source>60 </source>
        <translation>60 </translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="1028"/>
        <source>120</source>
        <translation>120</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="1033"/>
        <source>240</source>
        <translation>240</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="1038"/>
        <source>480</source>
        <translation>480</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="1043"/>
        <source>960</source>
        <translation>960</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.ui" line="1057"/>
        <source>Hz</source>
        <translation>Hz</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.cpp" line="10"/>
        <source>Application remote editing disabled, remote modification of calibration parameters prohibited!</source>
        <translation>应用远程编辑关闭，禁止远程修改相关参数！</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.cpp" line="17"/>
        <source>1 - 999999</source>
        <translation>1 - 999999</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.cpp" line="18"/>
        <source>0.1 - 99999.9</source>
        <translation>0.1 - 99999.9</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.cpp" line="19"/>
        <source>0.01 - 9999.99</source>
        <translation>0.01 - 9999.99</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.cpp" line="20"/>
        <source>0.001 - 999.999</source>
        <translation>0.001 - 999.999</translation>
    </message>
    <message>
        <location filename="../../../App/basicconfig.cpp" line="21"/>
        <source>0.0001 - 99.9999</source>
        <translation>0.0001 - 99.9999</translation>
    </message>
</context>
</TS>
