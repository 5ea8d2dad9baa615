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
    <message>
        <source>Waiting for a stable reading...</source>
        <translation>等待稳定读数...</translation>
    </message>
    <message>
        <source>The scale shows overflow: remove every load before zeroing.</source>
        <translation>秤显示溢出：标零前请移除所有载荷。</translation>
    </message>
    <message>
        <source>The reading is not stable.</source>
        <translation>读数不稳定。</translation>
    </message>
    <message>
        <source>%1 on the platform: remove every load before zeroing.</source>
        <translation>秤台上有 %1：标零前请移除所有载荷。</translation>
    </message>
    <message>
        <source>Zero the scale at %1.</source>
        <translation>在 %1 处标零。</translation>
    </message>
    <message>
        <source>The scale shows overflow: the weight on it is above its range.</source>
        <translation>秤显示溢出：秤台上的重量超过量程。</translation>
    </message>
    <message>
        <source>Write %1 = %2 with the scale reading %3.</source>
        <translation>写入 %1 = %2，秤当前读数 %3。</translation>
    </message>
    <message>
        <source>The scale reads %1, %2 (%3 e) %4 the %5 to be written as %6: check the weight placed. Write it only if exactly %5 is on the platform.</source>
        <translation>秤读数为 %1，%4要写入%6的 %5 %2（%3 e）：请检查所放砝码。只有秤台上正好是 %5 时才写入。</translation>
    </message>
    <message>
        <source>below</source>
        <translation>低于</translation>
    </message>
    <message>
        <source>above</source>
        <translation>高于</translation>
    </message>
    <message>
        <source>%1: the outcome is unknown, the instrument&apos;s error word could not be read after the write. Check its error message before going on.</source>
        <translation>%1：结果未知，写入后无法读取仪表的错误字。继续之前请检查仪表的错误信息。</translation>
    </message>
    <message>
        <source>Remove every load from the scale; when it is stable, press Zero.</source>
        <translation>移除秤上所有载荷；稳定后按“标零”。</translation>
    </message>
    <message>
        <source>Place the span weight of %1 on the centre; when it is stable, press Write CP1. The weight written is the weight on the platform.</source>
        <translation>将 %1 的量程砝码放在秤台中央；稳定后按“写入标定点1”。写入的重量就是秤台上的重量。</translation>
    </message>
</context>
</TS>
