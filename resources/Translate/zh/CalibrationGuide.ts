<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>CalibrationGuide</name>
    <message>
        <source>The span weight must be above zero and at most %1.</source>
        <translation>标定砝码必须大于零且不超过 %1。</translation>
    </message>
    <message>
        <source>The weight did not settle; check that nothing touches the scale.</source>
        <translation>重量未稳定；请检查秤台是否被触碰。</translation>
    </message>
    <message>
        <source>%1: the instrument did not take the write.</source>
        <translation>%1：仪表未接受写入。</translation>
    </message>
    <message>
        <source>%1 refused by the instrument: %2</source>
        <translation>%1 被仪表拒绝：%2</translation>
    </message>
    <message>
        <source>%1 done; the instrument reports no error.</source>
        <translation>%1 完成；仪表未报告错误。</translation>
    </message>
    <message>
        <source>Remove every load from the scale; the empty scale is zeroed when stable.</source>
        <translation>请移走秤台上的全部载荷；空秤稳定后标零。</translation>
    </message>
    <message>
        <source>Place the span weight of %1 on the centre; it is written as calibration point 1 when stable.</source>
        <translation>请将 %1 的标定砝码放在秤台中央；稳定后写入标定点1。</translation>
    </message>
    <message>
        <source>Calibration done.</source>
        <translation>标定完成。</translation>
    </message>
    <message>
        <source>error bit %1</source>
        <translation>错误位 %1</translation>
    </message>
    <message>
        <source>Zero calibration</source>
        <translation>零点标定</translation>
    </message>
    <message>
        <source>Span calibration (CP1)</source>
        <translation>量程标定（标定点1）</translation>
    </message>
</context>
</TS>
