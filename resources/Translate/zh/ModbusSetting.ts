<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ModbusSetting</name>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="23"/>
        <source>Connection Setup</source>
        <translation>连接设置</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="42"/>
        <source>Protocol:</source>
        <translation>协议：</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="48"/>
        <source>Modbus RTU</source>
        <translation>Modbus RTU</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="49"/>
        <source>Modbus TCP</source>
        <translation>Modbus TCP</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="54"/>
        <source>Dword Format:</source>
        <translation>双字格式：</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="66"/>
        <source>Serial:</source>
        <translation>串口：</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="78"/>
        <source>Slave ID:</source>
        <translation>从站地址：</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="84"/>
        <source>1 - 99</source>
        <translation>1 - 99</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="92"/>
        <source>Host IP:</source>
        <translation>主机IP：</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="103"/>
        <source>Port：</source>
        <translation>端口：</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="109"/>
        <source>1 - 65535</source>
        <translation>1 - 65535</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="115"/>
        <source>Baud Rate:</source>
        <translation>波特率：</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="134"/>
        <source>Data Bits:</source>
        <translation>数据位：</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="147"/>
        <source>Parity:</source>
        <translation>校验位：</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="154"/>
        <source>NONE</source>
        <translation>无校验</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="155"/>
        <source>EVEN</source>
        <translation>偶校验</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="156"/>
        <source>ODD</source>
        <translation>奇校验</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="161"/>
        <source>Stop Bits:</source>
        <translation>停止位：</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="173"/>
        <source>Delay:</source>
        <translation>延时：</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="179"/>
        <source>50 - 1000ms</source>
        <translation>50 - 1000毫秒</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="180"/>
        <source> ms</source>
        <translation> 毫秒</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="209"/>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="228"/>
        <source>Version: 1.0.0</source>
        <translation>版本：1.0.0</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.ui" line="234"/>
        <source>Copyright © Palvex. All rights reserved.</source>
        <translation>版权所有 © Palvex，保留所有权利。</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.cpp" line="288"/>
        <location filename="../../../Modbus/modbussetting.cpp" line="311"/>
        <source>Tip</source>
        <translation>提示</translation>
    </message>
    <message>
        <location filename="../../../Modbus/modbussetting.cpp" line="288"/>
        <location filename="../../../Modbus/modbussetting.cpp" line="311"/>
        <source>Operation Failed,Please try again!</source>
        <translation>操作失败，请重试！</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>Find the instruments on the chosen port or address</source>
        <translation>在所选端口或地址上查找仪表</translation>
    </message>
    <message>
        <source>A range of hosts is for Search; give one host to connect to.</source>
        <translation>主机范围仅用于搜索；连接时请填写一个主机。</translation>
    </message>
</context>
</TS>
