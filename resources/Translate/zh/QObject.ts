<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>QObject</name>
    <message>
        <location filename="../../../Warning/mesgBox.cpp" line="17"/>
        <source>Reset Successful!</source>
        <translation>复位成功！</translation>
    </message>
    <message>
        <location filename="../../../Warning/mesgBox.cpp" line="18"/>
        <source>Import Successful!</source>
        <translation>导入成功！</translation>
    </message>
    <message>
        <location filename="../../../Warning/mesgBox.cpp" line="19"/>
        <source>Export Successful!</source>
        <translation>导出成功！</translation>
    </message>
    <message>
        <location filename="../../../Warning/mesgBox.cpp" line="20"/>
        <source>Reset Failed!</source>
        <translation>复位失败！</translation>
    </message>
    <message>
        <location filename="../../../Warning/mesgBox.cpp" line="20"/>
        <source>Password Failed!</source>
        <translation>密码错误！</translation>
    </message>
    <message>
        <location filename="../../../Warning/mesgBox.cpp" line="21"/>
        <source>Operation Failed,Please try again!</source>
        <translation>操作失败，请重试！</translation>
    </message>
    <message>
        <location filename="../../../Warning/mesgBox.cpp" line="22"/>
        <source>Import Failed!</source>
        <translation>导入失败！</translation>
    </message>
    <message>
        <location filename="../../../Warning/mesgBox.cpp" line="22"/>
        <source>Export Failed!</source>
        <translation>导出失败！</translation>
    </message>
    <message>
        <location filename="../../../Warning/mesgBox.cpp" line="23"/>
        <source>Start Importing!</source>
        <translation>开始导入！</translation>
    </message>
    <message>
        <location filename="../../../Warning/mesgBox.cpp" line="23"/>
        <source>Start Exporting!</source>
        <translation>开始导出！</translation>
    </message>
    <message>
        <location filename="../../../Warning/mesgBox.cpp" line="72"/>
        <source>Password</source>
        <translation>密码</translation>
    </message>
    <message>
        <source>Tip</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Reset?</source>
        <translation>是否复位？</translation>
    </message>
    <message>
        <source>Search?</source>
        <translation>是否搜索？</translation>
    </message>
    <message>
        <source>Import finished with problems!</source>
        <translation>导入完成，但有问题！</translation>
    </message>
    <message>
        <source>Export finished with problems!</source>
        <translation>导出完成，但有问题！</translation>
    </message>
</context>
</TS>
