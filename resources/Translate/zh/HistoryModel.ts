<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>HistoryModel</name>
    <message>
        <source>written</source>
        <translation>已写入</translation>
    </message>
    <message>
        <source>refused</source>
        <translation>被拒绝</translation>
    </message>
    <message>
        <source>timed out</source>
        <translation>超时</translation>
    </message>
    <message>
        <source>link lost</source>
        <translation>连接断开</translation>
    </message>
    <message>
        <source>read back differs</source>
        <translation>回读不一致</translation>
    </message>
    <message>
        <source>outcome unknown (program ended)</source>
        <translation>结果未知（程序已结束）</translation>
    </message>
    <message>
        <source>change</source>
        <translation>修改</translation>
    </message>
    <message>
        <source>connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>disconnect</source>
        <translation>断开</translation>
    </message>
    <message>
        <source>backup</source>
        <translation>备份</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Instrument</source>
        <translation>仪表</translation>
    </message>
    <message>
        <source>Parameter</source>
        <translation>参数</translation>
    </message>
    <message>
        <source>Old → New</source>
        <translation>旧值 → 新值</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>来源</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>User@Host</source>
        <translation>用户@主机</translation>
    </message>
    <message>
        <source>Registers %1 (%2): %3 → %4</source>
        <translation>寄存器 %1（%2 个）：%3 → %4</translation>
    </message>
    <message>
        <source>test</source>
        <translation>秤检测</translation>
    </message>
    <message>
        <source>refused by the instrument</source>
        <translation>仪表拒绝</translation>
    </message>
    <message>
        <source>outcome unknown (no error word)</source>
        <translation>结果未知（未读到错误字）</translation>
    </message>
</context>
</TS>
