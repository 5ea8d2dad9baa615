<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>MainInterface</name>
    <message>
        <location filename="../../../App/maininterface.ui" line="14"/>
        <source>Form</source>
        <translation>窗体</translation>
    </message>
    <message>
        <location filename="../../../App/maininterface.ui" line="107"/>
        <source>Monitoring Curve 1:</source>
        <translation>监控曲线1：</translation>
    </message>
    <message>
        <location filename="../../../App/maininterface.ui" line="121"/>
        <location filename="../../../App/maininterface.ui" line="249"/>
        <location filename="../../../App/maininterface.cpp" line="113"/>
        <location filename="../../../App/maininterface.cpp" line="162"/>
        <source>Gross</source>
        <translation>毛重</translation>
    </message>
    <message>
        <location filename="../../../App/maininterface.ui" line="126"/>
        <location filename="../../../App/maininterface.ui" line="254"/>
        <location filename="../../../App/maininterface.cpp" line="113"/>
        <location filename="../../../App/maininterface.cpp" line="165"/>
        <source>Net</source>
        <translation>净重</translation>
    </message>
    <message>
        <location filename="../../../App/maininterface.ui" line="131"/>
        <location filename="../../../App/maininterface.ui" line="259"/>
        <location filename="../../../App/maininterface.cpp" line="113"/>
        <location filename="../../../App/maininterface.cpp" line="168"/>
        <source>Tare</source>
        <translation>皮重</translation>
    </message>
    <message>
        <location filename="../../../App/maininterface.ui" line="136"/>
        <location filename="../../../App/maininterface.ui" line="264"/>
        <location filename="../../../App/maininterface.cpp" line="117"/>
        <source>Sensor Voltage</source>
        <translation>传感器电压</translation>
    </message>
    <message>
        <location filename="../../../App/maininterface.ui" line="141"/>
        <location filename="../../../App/maininterface.ui" line="269"/>
        <location filename="../../../App/maininterface.cpp" line="117"/>
        <source>Gain Voltage</source>
        <translation>增益电压</translation>
    </message>
    <message>
        <location filename="../../../App/maininterface.ui" line="168"/>
        <location filename="../../../App/maininterface.ui" line="296"/>
        <location filename="../../../App/maininterface.cpp" line="109"/>
        <location filename="../../../App/maininterface.cpp" line="283"/>
        <location filename="../../../App/maininterface.cpp" line="287"/>
        <source>Pause</source>
        <translation>暂停</translation>
    </message>
    <message>
        <location filename="../../../App/maininterface.ui" line="235"/>
        <source>Monitoring Curve 2:</source>
        <translation>监控曲线2：</translation>
    </message>
    <message>
        <location filename="../../../App/maininterface.cpp" line="109"/>
        <location filename="../../../App/maininterface.cpp" line="284"/>
        <source>Start</source>
        <translation>开始</translation>
    </message>
    <message>
        <location filename="../../../App/maininterface.cpp" line="115"/>
        <location filename="../../../App/maininterface.cpp" line="171"/>
        <source>AD Code</source>
        <translation>AD码</translation>
    </message>
    <message>
        <location filename="../../../App/maininterface.cpp" line="115"/>
        <location filename="../../../App/maininterface.cpp" line="174"/>
        <source>Gain AD Code</source>
        <translation>增益AD码</translation>
    </message>
    <message>
        <location filename="../../../App/maininterface.cpp" line="171"/>
        <source>Sensor Volt</source>
        <translation>传感器电压</translation>
    </message>
    <message>
        <location filename="../../../App/maininterface.cpp" line="174"/>
        <source>Gain Volt</source>
        <translation>增益电压</translation>
    </message>
    <message>
        <location filename="../../../App/maininterface.cpp" line="182"/>
        <source>Real Time/s</source>
        <translation>实时时间/s</translation>
    </message>
</context>
</TS>
