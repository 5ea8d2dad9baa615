<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ServiceReportTab</name>
    <message>
        <source>Service Report</source>
        <translation>服务报告</translation>
    </message>
    <message>
        <source>Tip</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Connect to the instrument first.</source>
        <translation>请先连接仪表。</translation>
    </message>
    <message>
        <source>Save Service Report</source>
        <translation>保存服务报告</translation>
    </message>
    <message>
        <source>PDF document (*.pdf)</source>
        <translation>PDF 文档 (*.pdf)</translation>
    </message>
    <message>
        <source>Reading the instrument...</source>
        <translation>正在读取仪表...</translation>
    </message>
    <message>
        <source>The report could not be saved: %1</source>
        <translation>无法保存报告：%1</translation>
    </message>
    <message>
        <source>Service report saved: %1</source>
        <translation>服务报告已保存：%1</translation>
    </message>
    <message>
        <source>Service report saved: %1. %2 reads failed; the report names the values that could not be read.</source>
        <translation>服务报告已保存：%1。%2 次读取失败；报告中列出了未能读取的数值。</translation>
    </message>
    <message>
        <source>A PDF to leave with the customer: the instrument, its calibration and weight curve, every parameter, and the changes since the connection with the check of the service record.</source>
        <translation>留给客户的 PDF：仪表、标定与重量曲线、全部参数，以及连接以来的修改和服务记录的校验。</translation>
    </message>
</context>
</TS>
