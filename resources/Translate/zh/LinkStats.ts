<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>LinkStats</name>
    <message>
        <source>illegal function</source>
        <translation>非法功能码</translation>
    </message>
    <message>
        <source>illegal data address</source>
        <translation>非法数据地址</translation>
    </message>
    <message>
        <source>illegal data value</source>
        <translation>非法数据值</translation>
    </message>
    <message>
        <source>device failure</source>
        <translation>设备故障</translation>
    </message>
    <message>
        <source>acknowledge</source>
        <translation>已确认</translation>
    </message>
    <message>
        <source>device busy</source>
        <translation>设备忙</translation>
    </message>
    <message>
        <source>memory parity error</source>
        <translation>存储奇偶校验错误</translation>
    </message>
    <message>
        <source>gateway path unavailable</source>
        <translation>网关路径不可用</translation>
    </message>
    <message>
        <source>gateway target did not respond</source>
        <translation>网关目标无响应</translation>
    </message>
    <message>
        <source>register count</source>
        <translation>寄存器数量</translation>
    </message>
    <message>
        <source>start address</source>
        <translation>起始地址</translation>
    </message>
    <message>
        <source>function</source>
        <translation>功能码</translation>
    </message>
    <message>
        <source>unit id</source>
        <translation>单元标识</translation>
    </message>
    <message>
        <source>cut frame</source>
        <translation>帧不完整</translation>
    </message>
    <message>
        <source>not decodable</source>
        <translation>无法解析</translation>
    </message>
    <message>
        <source>out of step</source>
        <translation>数据流失步</translation>
    </message>
    <message>
        <source>timeouts in a row</source>
        <translation>连续超时</translation>
    </message>
    <message>
        <source>closed by the peer</source>
        <translation>对方关闭连接</translation>
    </message>
</context>
</TS>
