<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ServiceReport</name>
    <message>
        <source>not read: %1</source>
        <translation>未读取：%1</translation>
    </message>
    <message>
        <source>Service Report</source>
        <translation>服务报告</translation>
    </message>
    <message>
        <source>version %1</source>
        <translation>版本 %1</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>第 %1 页，共 %2 页</translation>
    </message>
    <message>
        <source>Date and time</source>
        <translation>日期和时间</translation>
    </message>
    <message>
        <source>Engineer</source>
        <translation>工程师</translation>
    </message>
    <message>
        <source>Customer / site</source>
        <translation>客户 / 现场</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>备注</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>序列号</translation>
    </message>
    <message>
        <source>MAC address</source>
        <translation>MAC 地址</translation>
    </message>
    <message>
        <source>Software version</source>
        <translation>软件版本</translation>
    </message>
    <message>
        <source>Compile date</source>
        <translation>编译日期</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Slave id</source>
        <translation>站号</translation>
    </message>
    <message>
        <source>Values that could not be read</source>
        <translation>未能读取的数值</translation>
    </message>
    <message>
        <source>The instrument did not give these values; they are marked &quot;not read&quot; wherever the report lists them.</source>
        <translation>仪表未给出以下数值；报告中凡列出之处均标为“未读取”。</translation>
    </message>
    <message>
        <source>Values</source>
        <translation>数值</translation>
    </message>
    <message>
        <source>Why</source>
        <translation>原因</translation>
    </message>
    <message>
        <source>Calibration</source>
        <translation>标定</translation>
    </message>
    <message>
        <source>Live weight</source>
        <translation>实时重量</translation>
    </message>
    <message>
        <source>Sensor signal</source>
        <translation>传感器信号</translation>
    </message>
    <message>
        <source>Weight over the last %1 s</source>
        <translation>最近 %1 秒的重量</translation>
    </message>
    <message>
        <source>Time/s</source>
        <translation>时间/秒</translation>
    </message>
    <message>
        <source>Weight/%1</source>
        <translation>重量/%1</translation>
    </message>
    <message>
        <source>No samples of the live weight</source>
        <translation>没有实时重量的采样</translation>
    </message>
    <message>
        <source>Parameters</source>
        <translation>参数</translation>
    </message>
    <message>
        <source>Parameter</source>
        <translation>参数</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>值</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>单位</translation>
    </message>
    <message>
        <source>Range</source>
        <translation>范围</translation>
    </message>
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
        <translation>连接中断</translation>
    </message>
    <message>
        <source>read back differs</source>
        <translation>回读不一致</translation>
    </message>
    <message>
        <source>Service record check: could not be read: %1</source>
        <translation>服务记录校验：无法读取：%1</translation>
    </message>
    <message>
        <source>Service record check: chain intact over all %1 entries of the record (every instrument; connects, disconnects, changes and backups)</source>
        <translation>服务记录校验：记录全部 %1 条的链完整（所有仪表；含连接、断开、更改和备份）</translation>
    </message>
    <message>
        <source>Service record check: chain broken at entry %1 (%2); %3 entries before it intact</source>
        <translation>服务记录校验：链在第 %1 条处断开（%2）；其前 %3 条完整</translation>
    </message>
    <message>
        <source>the first entry</source>
        <translation>第一条记录</translation>
    </message>
    <message>
        <source>Changes since %1</source>
        <translation>自 %1 以来的修改</translation>
    </message>
    <message>
        <source>The changes cannot be listed: %1</source>
        <translation>无法列出修改：%1</translation>
    </message>
    <message>
        <source>The service record holds no change of this instrument in that time.</source>
        <translation>服务记录中没有该仪表在此期间的修改。</translation>
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
        <source>Old → new</source>
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
        <source>The record holds %1 entries of this instrument in that time; the newest %2 were searched.</source>
        <translation>记录中该仪表在此期间共有 %1 条；已查找最新的 %2 条。</translation>
    </message>
    <message>
        <source>analog</source>
        <translation>模拟</translation>
    </message>
    <message>
        <source>digital</source>
        <translation>数字</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>not asked: the instrument stopped answering</source>
        <translation>未询问：仪表已停止应答</translation>
    </message>
    <message>
        <source>register</source>
        <translation>寄存器</translation>
    </message>
    <message>
        <source>Instrument</source>
        <translation>仪表</translation>
    </message>
    <message>
        <source>Live values</source>
        <translation>实时数值</translation>
    </message>
    <message>
        <source>System status</source>
        <translation>系统状态</translation>
    </message>
    <message>
        <source>registers</source>
        <translation>寄存器</translation>
    </message>
    <message>
        <source>the decimal setting could not be read</source>
        <translation>无法读取小数位数设置</translation>
    </message>
    <message>
        <source>not read</source>
        <translation>未读取</translation>
    </message>
    <message>
        <source>AD counts</source>
        <translation>AD 码</translation>
    </message>
    <message>
        <source>the service record could not be opened</source>
        <translation>无法打开服务记录</translation>
    </message>
    <message>
        <source>the serial number could not be read</source>
        <translation>无法读取序列号</translation>
    </message>
    <message>
        <source>Basic configuration</source>
        <translation>基本配置</translation>
    </message>
    <message>
        <source>Weight and calibration</source>
        <translation>重量与标定</translation>
    </message>
    <message>
        <source>Application</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>Data transmission</source>
        <translation>数据传输</translation>
    </message>
    <message>
        <source>Test and maintenance</source>
        <translation>测试与维护</translation>
    </message>
    <message>
        <source>Digital sensors</source>
        <translation>数字传感器</translation>
    </message>
    <message>
        <source>Anchor (the chain&apos;s head): %1. To check the record against this report later, give it to zeltctl history verify --against.</source>
        <translation>锚点（链头）：%1。以后要用此报告核对记录，请将其交给 zeltctl history verify --against。</translation>
    </message>
    <message>
        <source>outcome unknown (program ended)</source>
        <translation>结果未知（程序已结束）</translation>
    </message>
    <message>
        <source>Calibration certificate</source>
        <translation>校准证书</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>no reply (timeout)</source>
        <translation>无应答（超时）</translation>
    </message>
    <message>
        <source>refused by the instrument</source>
        <translation>仪表拒绝</translation>
    </message>
    <message>
        <source>refused by the instrument (%1)</source>
        <translation>仪表拒绝（%1）</translation>
    </message>
    <message>
        <source>malformed reply</source>
        <translation>应答格式错误</translation>
    </message>
    <message>
        <source>live weight samples: none of %1 s</source>
        <translation>实时重量采样：%1 秒内无采样</translation>
    </message>
    <message>
        <source>live weight samples after %1 s of %2 s</source>
        <translation>实时重量采样：%2 秒中的 %1 秒之后</translation>
    </message>
    <message>
        <source>Weight curve</source>
        <translation>重量曲线</translation>
    </message>
    <message>
        <source>outcome unknown (no error word)</source>
        <translation>结果未知（未读到错误字）</translation>
    </message>
    <message>
        <source>As found: no test before the first adjustment.</source>
        <translation>来样：第一次调整前没有检定。</translation>
    </message>
    <message>
        <source>Adjustments</source>
        <translation>调整</translation>
    </message>
    <message>
        <source>Step</source>
        <translation>步骤</translation>
    </message>
    <message>
        <source>parameter file</source>
        <translation>参数文件</translation>
    </message>
    <message>
        <source>%1 rows: %2 changed, %3 unchanged</source>
        <translation>%1 行：%2 行已更改，%3 行未变</translation>
    </message>
    <message>
        <source>, %1 written over a value not read</source>
        <translation>，%1 行写入前未读取原值</translation>
    </message>
    <message>
        <source>%1 failed</source>
        <translation>%1 行失败</translation>
    </message>
    <message>
        <source>row %1</source>
        <translation>第 %1 行</translation>
    </message>
</context>
</TS>
