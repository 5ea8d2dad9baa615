<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>TipsDialog</name>
    <message>
        <location filename="../../../Dialog/tipsdialog.ui" line="14"/>
        <source>Dialog</source>
        <translation>对话框</translation>
    </message>
    <message>
        <location filename="../../../Dialog/tipsdialog.ui" line="88"/>
        <source>title</source>
        <translation>标题</translation>
    </message>
    <message>
        <location filename="../../../Dialog/tipsdialog.ui" line="166"/>
        <source>Message</source>
        <translation>消息</translation>
    </message>
    <message>
        <location filename="../../../Dialog/tipsdialog.ui" line="202"/>
        <source>Confirm</source>
        <translation>确认</translation>
    </message>
    <message>
        <location filename="../../../Dialog/tipsdialog.ui" line="215"/>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
</TS>
