<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ExelToWrite</name>
    <message>
        <location filename="../../../Excel/exeltowrite.cpp" line="1"/>
        <source>%1 rows: </source>
        <translation>共 %1 行：</translation>
    </message>
    <message>
        <location filename="../../../Excel/exeltowrite.cpp" line="1"/>
        <source>%1 written</source>
        <translation>写入 %1 行</translation>
    </message>
    <message>
        <location filename="../../../Excel/exeltowrite.cpp" line="1"/>
        <source>%1 read</source>
        <translation>读取 %1 行</translation>
    </message>
    <message>
        <location filename="../../../Excel/exeltowrite.cpp" line="1"/>
        <source>, %1 refused (rows %2)</source>
        <translation>，拒绝 %1 行（第 %2 行）</translation>
    </message>
    <message>
        <location filename="../../../Excel/exeltowrite.cpp" line="1"/>
        <source>, %1 failed (rows %2)</source>
        <translation>，失败 %1 行（第 %2 行）</translation>
    </message>
    <message>
        <location filename="../../../Excel/exeltowrite.cpp" line="1"/>
        <source>, %1 unchanged</source>
        <translation>，未变 %1 行</translation>
    </message>
    <message>
        <location filename="../../../Excel/exeltowrite.cpp" line="1"/>
        <source>, %1 skipped</source>
        <translation>，跳过 %1 行</translation>
    </message>
    <message>
        <location filename="../../../Excel/exeltowrite.cpp" line="1"/>
        <source>, %1 not reached</source>
        <translation>，未到达 %1 行</translation>
    </message>
    <message>
        <source>; %1 with limits other than this version's (rows %2)</source>
        <translation>；%1 行的上下限与本版本不同（第 %2 行）</translation>
    </message>
</context>
</TS>
