<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ScaleRangeReader</name>
    <message>
        <source>the decimal setting %1 is none the instrument offers</source>
        <translation>小数点设置 %1 不是仪表提供的选项</translation>
    </message>
    <message>
        <source>the instrument has no full scale: set full scale 1 before a test</source>
        <translation>仪表没有量程：测试前请先设置量程1</translation>
    </message>
    <message>
        <source>range %1 has a division (e) of 0</source>
        <translation>量程 %1 的分度值 (e) 为 0</translation>
    </message>
    <message>
        <source>range %1 has a division of %2, which the instrument does not hold (1, 2, 5, 10, 20 or 50)</source>
        <translation>量程 %1 的分度值为 %2，仪表不支持（1、2、5、10、20 或 50）</translation>
    </message>
    <message>
        <source>full scale %1 (%2) is not above full scale %3 (%4)</source>
        <translation>量程 %1（%2）不大于量程 %3（%4）</translation>
    </message>
    <message>
        <source>%1 is not a weight</source>
        <translation>%1 不是重量</translation>
    </message>
    <message>
        <source>%1 has more decimals than the instrument shows (%2)</source>
        <translation>%1 的小数位多于仪表显示的位数（%2）</translation>
    </message>
    <message>
        <source>%1 is beyond any weight the instrument shows</source>
        <translation>%1 超出仪表可显示的重量</translation>
    </message>
    <message>
        <source>range %1 has a division (e) of %2, not above range %3's %4: each higher range needs a larger e (e1 &lt; e2 &lt; e3, OIML R 76)</source>
        <translation>量程 %1 的分度值 (e) 为 %2，不大于量程 %3 的 %4：每个更高的量程需要更大的 e（e1 &lt; e2 &lt; e3，OIML R 76）</translation>
    </message>
</context>
</TS>
