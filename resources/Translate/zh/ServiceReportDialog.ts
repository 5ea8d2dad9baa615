<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ServiceReportDialog</name>
    <message>
        <source>Service Report</source>
        <translation>服务报告</translation>
    </message>
    <message>
        <source>Engineer:</source>
        <translation>工程师：</translation>
    </message>
    <message>
        <source>Customer / site:</source>
        <translation>客户 / 现场：</translation>
    </message>
    <message>
        <source>Note:</source>
        <translation>备注：</translation>
    </message>
    <message>
        <source>Changes since:</source>
        <translation>修改起始时间：</translation>
    </message>
    <message>
        <source>Save Report...</source>
        <translation>保存报告...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
</TS>
