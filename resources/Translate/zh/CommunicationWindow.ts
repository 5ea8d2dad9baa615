<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>CommunicationWindow</name>
    <message>
        <source>Requests</source>
        <translation>请求数</translation>
    </message>
    <message>
        <source>Answered well</source>
        <translation>正常应答</translation>
    </message>
    <message>
        <source>Timeouts</source>
        <translation>超时</translation>
    </message>
    <message>
        <source>Refused by the instrument</source>
        <translation>仪表拒绝</translation>
    </message>
    <message>
        <source>Malformed replies</source>
        <translation>异常应答</translation>
    </message>
    <message>
        <source>Link lost</source>
        <translation>连接丢失</translation>
    </message>
    <message>
        <source>Reconnects</source>
        <translation>重新连接</translation>
    </message>
    <message>
        <source>Response time (ms)</source>
        <translation>响应时间（毫秒）</translation>
    </message>
    <message>
        <source>Good answers in the last minute</source>
        <translation>最近一分钟正常应答率</translation>
    </message>
    <message>
        <source>All requests</source>
        <translation>全部请求</translation>
    </message>
    <message>
        <source>Failures</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>功能码</translation>
    </message>
    <message>
        <source>Function</source>
        <translation>功能</translation>
    </message>
    <message>
        <source>Slave</source>
        <translation>从站</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>起始地址</translation>
    </message>
    <message>
        <source>Count</source>
        <translation>数量</translation>
    </message>
    <message>
        <source>Values</source>
        <translation>数值</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>毫秒</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>timeout</source>
        <translation>超时</translation>
    </message>
    <message>
        <source>exception %1 (%2)</source>
        <translation>异常 %1（%2）</translation>
    </message>
    <message>
        <source>malformed (%1)</source>
        <translation>异常应答（%1）</translation>
    </message>
    <message>
        <source>link lost</source>
        <translation>连接丢失</translation>
    </message>
    <message>
        <source>write</source>
        <translation>写</translation>
    </message>
    <message>
        <source>read</source>
        <translation>读</translation>
    </message>
    <message>
        <source>Communication</source>
        <translation>通讯</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>复位</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>暂停</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>Save...</source>
        <translation>保存...</translation>
    </message>
    <message>
        <source>Traffic (last %1 requests)</source>
        <translation>通讯记录（最近 %1 条请求）</translation>
    </message>
    <message>
        <source>last %1, min %2, median %3, 95% %4, max %5 (%6 answers)</source>
        <translation>最近 %1，最小 %2，中位数 %3，95% %4，最大 %5（%6 次应答）</translation>
    </message>
    <message>
        <source>Save Traffic</source>
        <translation>保存通讯记录</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation>文本文件 (*.txt)</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>未保存：%1</translation>
    </message>
</context>
</TS>
