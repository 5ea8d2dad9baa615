<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>BusScanDialog</name>
    <message>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Search for instruments</source>
        <translation>搜索仪表</translation>
    </message>
    <message>
        <source>Slave ID</source>
        <translation>从站地址</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>连接方式</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>版本</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>序列号</translation>
    </message>
    <message>
        <source>Searching ...</source>
        <translation>正在搜索...</translation>
    </message>
    <message>
        <source>Searching %1: %2 of %3 addresses</source>
        <translation>正在搜索 %1：%2 / %3 个地址</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>Analog</source>
        <translation>模拟</translation>
    </message>
    <message>
        <source>Digital</source>
        <translation>数字</translation>
    </message>
    <message>
        <source>Refused (exception %1)</source>
        <translation>拒绝（异常 %1）</translation>
    </message>
    <message>
        <source>Search cancelled. Instruments found: %1</source>
        <translation>搜索已取消。找到仪表：%1</translation>
    </message>
    <message>
        <source>Search finished. Instruments found: %1</source>
        <translation>搜索完成。找到仪表：%1</translation>
    </message>
    <message>
        <source>No instrument answered.</source>
        <translation>没有仪表应答。</translation>
    </message>
    <message>
        <source>Could not open: %1</source>
        <translation>无法打开：%1</translation>
    </message>
</context>
</TS>
