<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Certificates</name>
    <message>
        <source>zero</source>
        <translation>零点</translation>
    </message>
    <message>
        <source>changed after the as-left test: %1 at %2</source>
        <translation>留用检定后有改动：%2 的 %1</translation>
    </message>
    <message>
        <source>no as-left test after the last adjustment</source>
        <translation>最后一次调整后没有留用检定</translation>
    </message>
    <message>
        <source>no as-found test before the first adjustment</source>
        <translation>第一次调整前没有来样检定</translation>
    </message>
</context>
</TS>
