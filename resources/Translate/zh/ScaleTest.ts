<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ScaleTest</name>
    <message>
        <source>the settle time must not be negative and must be shorter than the timeout</source>
        <translation>稳定时间不能为负，且必须短于超时时间</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>no reading from the instrument in %1 s</source>
        <translation>%1 秒内未读到仪表数据</translation>
    </message>
    <message>
        <source>the weight did not settle in %1 s: the instrument reports motion (last reading %2)</source>
        <translation>重量在 %1 秒内未稳定：仪表报告不稳定（最后读数 %2）</translation>
    </message>
    <message>
        <source>the instrument shows overflow</source>
        <translation>仪表显示溢出</translation>
    </message>
    <message>
        <source>no settled reading near %1 in %2 s (last reading %3)</source>
        <translation>%2 秒内没有接近 %1 的稳定读数（最后读数 %3）</translation>
    </message>
    <message>
        <source>the weight kept changing for %1 s (last reading %2)</source>
        <translation>重量在 %1 秒内一直变化（最后读数 %2）</translation>
    </message>
    <message>
        <source>point %1 left open: %2</source>
        <translation>测试点 %1 未完成：%2</translation>
    </message>
    <message>
        <source>the flicker must be 0 to %1 divisions</source>
        <translation>跳动须为 0 至 %1 个分度</translation>
    </message>
    <message>
        <source>the load was not lifted since point %1 (last reading %2): lift it and place it again%3, each point counts a placement of its own</source>
        <translation>自第 %1 点以来载荷未被提起（最后读数 %2）：请提起后重新放置%3，每个点需要单独放置一次</translation>
    </message>
    <message>
        <source> on corner %1</source>
        <translation>在第 %1 角</translation>
    </message>
    <message>
        <source>guarded acceptance needs the uncertainty of every point: %1: %2</source>
        <translation>保护带接受需要每个点的不确定度：%1：%2</translation>
    </message>
</context>
</TS>
