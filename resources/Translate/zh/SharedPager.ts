<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>SharedPager</name>
    <message>
        <source>the shared record is not open</source>
        <translation>共享记录未打开</translation>
    </message>
</context>
</TS>
