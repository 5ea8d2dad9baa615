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
        <source>Time (hh:mm:ss)</source>
        <translation>时间 (时:分:秒)</translation>
    </message>
    <message>
        <source>Save Data</source>
        <translation>保存数据</translation>
    </message>
    <message>
        <source>Save Image</source>
        <translation>保存图片</translation>
    </message>
    <message>
        <source>Saves the points both curves show as a CSV file</source>
        <translation>将两条曲线显示的数据点保存为 CSV 文件</translation>
    </message>
    <message>
        <source>Saves both curves as a PNG image</source>
        <translation>将两条曲线保存为 PNG 图片</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Quantity</source>
        <translation>数据项</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>数值</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>单位</translation>
    </message>
    <message>
        <source>Save Curve Data</source>
        <translation>保存曲线数据</translation>
    </message>
    <message>
        <source>Save Curve Image</source>
        <translation>保存曲线图片</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>PNG images (*.png)</source>
        <translation>PNG 图片 (*.png)</translation>
    </message>
    <message>
        <source>Tip</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>The file could not be written: %1</source>
        <translation>无法写入文件：%1</translation>
    </message>
</context>
</TS>
