<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>InputDialog</name>
    <message>
        <location filename="../../../Dialog/inputdialog.ui" line="14"/>
        <source>Dialog</source>
        <translation>对话框</translation>
    </message>
    <message>
        <location filename="../../../Dialog/inputdialog.ui" line="88"/>
        <source>titile</source>
        <translation>标题</translation>
    </message>
    <message>
        <location filename="../../../Dialog/inputdialog.ui" line="144"/>
        <source>Please Input:</source>
        <translation>请输入：</translation>
    </message>
    <message>
        <location filename="../../../Dialog/inputdialog.ui" line="187"/>
        <source>Confirm</source>
        <translation>确认</translation>
    </message>
    <message>
        <location filename="../../../Dialog/inputdialog.ui" line="200"/>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
</TS>
