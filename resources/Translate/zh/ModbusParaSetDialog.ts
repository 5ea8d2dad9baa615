<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ModbusParaSetDialog</name>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="20"/>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="90"/>
        <source>Connection Configuration</source>
        <translation>连接配置</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="146"/>
        <source>Protocol:</source>
        <translation>协议：</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="160"/>
        <source>Modbus RTU</source>
        <translation>Modbus RTU</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="165"/>
        <source>Modbus TCP</source>
        <translation>Modbus TCP</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="173"/>
        <source>Host IP:</source>
        <translation>主机IP：</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="190"/>
        <source>Port:</source>
        <translation>端口：</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="203"/>
        <source>1 - 65535</source>
        <translation>1 - 65535</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="210"/>
        <source>Serial:</source>
        <translation>串口：</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="233"/>
        <source>Slave ID:</source>
        <translation>从站地址：</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="246"/>
        <source>1 - 99</source>
        <translation>1 - 99</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="259"/>
        <source>Dword Format:</source>
        <translation>双字格式：</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="273"/>
        <source>AB-CD</source>
        <translation>AB-CD</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="278"/>
        <source>CD-AB</source>
        <translation>CD-AB</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="286"/>
        <source>Delay:</source>
        <translation>延时：</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="299"/>
        <source>50 - 1000ms</source>
        <translation>50 - 1000毫秒</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="315"/>
        <source>Baud Rate:</source>
        <translation>波特率：</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="329"/>
        <source>1200</source>
        <translation>1200</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="334"/>
        <source>2400</source>
        <translation>2400</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="339"/>
        <source>4800</source>
        <translation>4800</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="344"/>
        <source>9600</source>
        <translation>9600</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="349"/>
        <source>19200</source>
        <translation>19200</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="354"/>
        <source>38400</source>
        <translation>38400</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="359"/>
        <source>57600</source>
        <translation>57600</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="364"/>
        <source>115200</source>
        <translation>115200</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="372"/>
        <source>Data Bits:</source>
        <translation>数据位：</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="386"/>
        <source>7</source>
        <translation>7</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="391"/>
        <source>8</source>
        <translation>8</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="399"/>
        <source>Parity:</source>
        <translation>校验位：</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="413"/>
        <source>NONE</source>
        <translation>无校验</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="418"/>
        <source>EVEN</source>
        <translation>偶校验</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="423"/>
        <source>ODD</source>
        <translation>奇校验</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="431"/>
        <source>Stop Bits:</source>
        <translation>停止位：</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="445"/>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="450"/>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <location filename="../../../Dialog/modbusparasetdialog.ui" line="489"/>
        <source>OK</source>
        <translation>确定</translation>
    </message>
</context>
</TS>
