<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>MainWindow</name>
    <message>
        <source>Palvex Zelt Config System</source>
        <translation>Palvex Zelt 配置系统</translation>
    </message>
    <message>
        <source>EN/CH</source>
        <translation>英/中</translation>
    </message>
    <message>
        <source>MIN</source>
        <translation>最小化</translation>
    </message>
    <message>
        <source>MAX</source>
        <translation>最大化</translation>
    </message>
    <message>
        <source>CLOSE</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Main Interface</source>
        <translation>主界面</translation>
    </message>
    <message>
        <source>Basic Config</source>
        <translation>基本配置</translation>
    </message>
    <message>
        <source>Weight &amp;&amp; CAL</source>
        <translation>重量标定</translation>
    </message>
    <message>
        <source>Application</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>Data-Trans</source>
        <translation>数据传输</translation>
    </message>
    <message>
        <source>Dig Sensors</source>
        <translation>数字传感器</translation>
    </message>
    <message>
        <source>Test Maintain</source>
        <translation>测试维护</translation>
    </message>
    <message>
        <source>History</source>
        <translation>历史记录</translation>
    </message>
    <message>
        <source>Weight</source>
        <translation>重量</translation>
    </message>
    <message>
        <source>Sensor Voltage</source>
        <translation>传感器电压</translation>
    </message>
    <message>
        <source>AD Code</source>
        <translation>AD码</translation>
    </message>
    <message>
        <source>Error Message</source>
        <translation>错误信息</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Protocol:</source>
        <translation>协议：</translation>
    </message>
    <message>
        <source>Slave ID:</source>
        <translation>从站地址：</translation>
    </message>
    <message>
        <source>Dword Format:</source>
        <translation>双字格式：</translation>
    </message>
    <message>
        <source>Delay:</source>
        <translation>延时：</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>断开连接</translation>
    </message>
    <message>
        <source>Port: </source>
        <translation>端口：</translation>
    </message>
    <message>
        <source>Communication-Normal</source>
        <translation>通讯正常</translation>
    </message>
    <message>
        <source>Communication-Error</source>
        <translation>通讯异常</translation>
    </message>
    <message>
        <source>NET</source>
        <translation>净重</translation>
    </message>
    <message>
        <source>None</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>未连接</translation>
    </message>
    <message>
        <source>%1 requests, %2 failed, median %3 ms</source>
        <translation>%1 次请求，%2 次失败，中位数 %3 毫秒</translation>
    </message>
    <message>
        <source>Click for the communication details</source>
        <translation>点击查看通讯详情</translation>
    </message>
    <message>
        <source>Service record unusable: changes are not sent</source>
        <translation>服务记录不可用：修改不会发送</translation>
    </message>
    <message>
        <source>Service record off</source>
        <translation>服务记录已关闭</translation>
    </message>
    <message>
        <source>Changes are written without a record (settings: Zelt/recordOff)</source>
        <translation>修改将在没有记录的情况下写入（设置：Zelt/recordOff）</translation>
    </message>
    <message>
        <source>Repair or move the record file, or set Zelt/recordOff=true in the settings file to work without a record.</source>
        <translation>请修复或移走记录文件，或在设置文件中设置 Zelt/recordOff=true 以在无记录的情况下工作。</translation>
    </message>
    <message>
        <source>Not written: the service record cannot be used.</source>
        <translation>未写入：服务记录不可用。</translation>
    </message>
    <message>
        <source>Service record</source>
        <translation>服务记录</translation>
    </message>
    <message>
        <source>Close the program that holds the record, then start this one again; or set Zelt/recordOff=true in the settings file to work without a record.</source>
        <translation>请关闭占用服务记录的程序，然后重新启动本程序；或在设置文件中设置 Zelt/recordOff=true，在没有服务记录的情况下工作。</translation>
    </message>
</context>
</TS>
