<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>DataTrans</name>
    <message>
        <location filename="../../../App/datatrans.ui" line="14"/>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="153"/>
        <source>COM 1(RS485_1)</source>
        <translation>串口1（RS485_1）</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="189"/>
        <location filename="../../../App/datatrans.ui" line="650"/>
        <location filename="../../../App/datatrans.ui" line="1111"/>
        <source>COM ID:</source>
        <translation>从机号：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="208"/>
        <location filename="../../../App/datatrans.ui" line="669"/>
        <location filename="../../../App/datatrans.ui" line="1130"/>
        <source>1 - 99</source>
        <translation>1 - 99</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="221"/>
        <location filename="../../../App/datatrans.ui" line="682"/>
        <location filename="../../../App/datatrans.ui" line="1143"/>
        <source>Baudrate:</source>
        <translation>波特率：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="241"/>
        <location filename="../../../App/datatrans.ui" line="702"/>
        <location filename="../../../App/datatrans.ui" line="1163"/>
        <source>1200</source>
        <translation>1200</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="246"/>
        <location filename="../../../App/datatrans.ui" line="707"/>
        <location filename="../../../App/datatrans.ui" line="1168"/>
        <source>2400</source>
        <translation>2400</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="251"/>
        <location filename="../../../App/datatrans.ui" line="712"/>
        <location filename="../../../App/datatrans.ui" line="1173"/>
        <source>4800</source>
        <translation>4800</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="256"/>
        <location filename="../../../App/datatrans.ui" line="717"/>
        <location filename="../../../App/datatrans.ui" line="1178"/>
        <source>9600</source>
        <translation>9600</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="261"/>
        <location filename="../../../App/datatrans.ui" line="722"/>
        <location filename="../../../App/datatrans.ui" line="1183"/>
        <source>19200</source>
        <translation>19200</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="266"/>
        <location filename="../../../App/datatrans.ui" line="727"/>
        <location filename="../../../App/datatrans.ui" line="1188"/>
        <source>38400</source>
        <translation>38400</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="271"/>
        <location filename="../../../App/datatrans.ui" line="732"/>
        <location filename="../../../App/datatrans.ui" line="1193"/>
        <source>57600</source>
        <translation>57600</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="276"/>
        <location filename="../../../App/datatrans.ui" line="737"/>
        <location filename="../../../App/datatrans.ui" line="1198"/>
        <source>115200</source>
        <translation>115200</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="290"/>
        <location filename="../../../App/datatrans.ui" line="751"/>
        <location filename="../../../App/datatrans.ui" line="1212"/>
        <location filename="../../../App/datatrans.ui" line="1572"/>
        <source>Protocol:</source>
        <translation>通讯协议：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="310"/>
        <location filename="../../../App/datatrans.ui" line="771"/>
        <location filename="../../../App/datatrans.ui" line="1232"/>
        <source>Modbus RTU</source>
        <translation>Modbus RTU</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="315"/>
        <location filename="../../../App/datatrans.ui" line="776"/>
        <location filename="../../../App/datatrans.ui" line="1237"/>
        <source>r-Cont</source>
        <translation>r-Cont</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="320"/>
        <location filename="../../../App/datatrans.ui" line="781"/>
        <location filename="../../../App/datatrans.ui" line="1242"/>
        <source>r-SPI</source>
        <translation>r-SPI</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="325"/>
        <location filename="../../../App/datatrans.ui" line="786"/>
        <location filename="../../../App/datatrans.ui" line="1247"/>
        <source>r-tt</source>
        <translation>r-tt</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="330"/>
        <location filename="../../../App/datatrans.ui" line="791"/>
        <location filename="../../../App/datatrans.ui" line="1252"/>
        <source>r-Cb920</source>
        <translation>r-Cb920</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="335"/>
        <location filename="../../../App/datatrans.ui" line="796"/>
        <location filename="../../../App/datatrans.ui" line="1257"/>
        <source>rE-Cont</source>
        <translation>rE-Cont</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="340"/>
        <location filename="../../../App/datatrans.ui" line="801"/>
        <location filename="../../../App/datatrans.ui" line="1262"/>
        <source>rE-rEAd</source>
        <translation>rE-rEAd</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="345"/>
        <location filename="../../../App/datatrans.ui" line="806"/>
        <location filename="../../../App/datatrans.ui" line="1267"/>
        <source>Pt650D</source>
        <translation>Pt650D</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="350"/>
        <location filename="../../../App/datatrans.ui" line="811"/>
        <location filename="../../../App/datatrans.ui" line="1272"/>
        <source>YH</source>
        <translation>YH</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="355"/>
        <location filename="../../../App/datatrans.ui" line="816"/>
        <location filename="../../../App/datatrans.ui" line="1277"/>
        <location filename="../../../App/datatrans.ui" line="2019"/>
        <source>Print</source>
        <translation>打印</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="360"/>
        <location filename="../../../App/datatrans.ui" line="821"/>
        <location filename="../../../App/datatrans.ui" line="1282"/>
        <source>WI125</source>
        <translation>WI125</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="374"/>
        <location filename="../../../App/datatrans.ui" line="835"/>
        <location filename="../../../App/datatrans.ui" line="1296"/>
        <source>Data Format:</source>
        <translation>数据格式：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="394"/>
        <location filename="../../../App/datatrans.ui" line="855"/>
        <location filename="../../../App/datatrans.ui" line="1316"/>
        <source>8-N-1</source>
        <translation>8-N-1</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="399"/>
        <location filename="../../../App/datatrans.ui" line="860"/>
        <location filename="../../../App/datatrans.ui" line="1321"/>
        <source>8-E-1</source>
        <translation>8-E-1</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="404"/>
        <location filename="../../../App/datatrans.ui" line="865"/>
        <location filename="../../../App/datatrans.ui" line="1326"/>
        <source>8-O-1</source>
        <translation>8-O-1</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="409"/>
        <location filename="../../../App/datatrans.ui" line="870"/>
        <location filename="../../../App/datatrans.ui" line="1331"/>
        <source>7-E-1</source>
        <translation>7-E-1</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="414"/>
        <location filename="../../../App/datatrans.ui" line="875"/>
        <location filename="../../../App/datatrans.ui" line="1336"/>
        <source>7-O-1</source>
        <translation>7-O-1</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="428"/>
        <location filename="../../../App/datatrans.ui" line="889"/>
        <location filename="../../../App/datatrans.ui" line="1350"/>
        <source>Dword Format:</source>
        <translation>双字格式</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="448"/>
        <location filename="../../../App/datatrans.ui" line="909"/>
        <location filename="../../../App/datatrans.ui" line="1370"/>
        <location filename="../../../App/datatrans.ui" line="1631"/>
        <source>AB-CD</source>
        <translation>AB-CD</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="453"/>
        <location filename="../../../App/datatrans.ui" line="914"/>
        <location filename="../../../App/datatrans.ui" line="1375"/>
        <location filename="../../../App/datatrans.ui" line="1636"/>
        <source>CD-AB</source>
        <translation>CD-AB</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="467"/>
        <location filename="../../../App/datatrans.ui" line="928"/>
        <location filename="../../../App/datatrans.ui" line="1389"/>
        <location filename="../../../App/datatrans.ui" line="1650"/>
        <source>Send Gap:</source>
        <translation>连续发送间隔：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="486"/>
        <location filename="../../../App/datatrans.ui" line="947"/>
        <location filename="../../../App/datatrans.ui" line="1408"/>
        <location filename="../../../App/datatrans.ui" line="1669"/>
        <source>0 - 1000 ms</source>
        <translation>0 - 1000 ms</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="499"/>
        <location filename="../../../App/datatrans.ui" line="960"/>
        <location filename="../../../App/datatrans.ui" line="1421"/>
        <location filename="../../../App/datatrans.ui" line="1682"/>
        <source>ms</source>
        <translation>ms</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="512"/>
        <location filename="../../../App/datatrans.ui" line="973"/>
        <location filename="../../../App/datatrans.ui" line="1434"/>
        <source>CRC:</source>
        <translation>校验和：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="532"/>
        <location filename="../../../App/datatrans.ui" line="993"/>
        <location filename="../../../App/datatrans.ui" line="1454"/>
        <location filename="../../../App/datatrans.ui" line="1898"/>
        <source>OFF</source>
        <translation>OFF</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="537"/>
        <location filename="../../../App/datatrans.ui" line="998"/>
        <location filename="../../../App/datatrans.ui" line="1459"/>
        <location filename="../../../App/datatrans.ui" line="1903"/>
        <source>ON</source>
        <translation>ON</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="614"/>
        <source>COM 2(RS485_2)</source>
        <translation>串口2（RS485_2）</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="1075"/>
        <source>COM 3(RS232)</source>
        <translation>串口3（RS232）</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="1536"/>
        <source>NetCOM</source>
        <translation>网口通讯</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="1592"/>
        <source>Modbus/TCP</source>
        <translation>Modbus/TCP</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="1597"/>
        <source>Quarn-Cont/TCP</source>
        <translation>Quarn-Cont/TCP</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="1611"/>
        <source>DwordFormat:</source>
        <translation>双字模式：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="1695"/>
        <source>Socket:</source>
        <translation>端口：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="1714"/>
        <source>1 - 65535</source>
        <translation>1 - 65535</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="1727"/>
        <source>IP Config:</source>
        <translation>本机IP：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="1754"/>
        <location filename="../../../App/datatrans.ui" line="1786"/>
        <location filename="../../../App/datatrans.ui" line="1818"/>
        <location filename="../../../App/datatrans.ui" line="1850"/>
        <source>0 - 255</source>
        <translation>0 - 255</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="1761"/>
        <location filename="../../../App/datatrans.ui" line="1793"/>
        <location filename="../../../App/datatrans.ui" line="1825"/>
        <source>.</source>
        <translation>.</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="1878"/>
        <source>Write Enable:</source>
        <translation>写开关：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="1917"/>
        <source>Data Type:</source>
        <translation>数据类型：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="1937"/>
        <source>Weight(Int)</source>
        <translation>整形重量</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="1942"/>
        <source>Weight(Float)</source>
        <translation>浮点重量</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2055"/>
        <source>Language:</source>
        <translation>语言：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2094"/>
        <source>Content:</source>
        <translation>内容：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2114"/>
        <source>Display Weight</source>
        <translation>显示重量</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2119"/>
        <source>Gross</source>
        <translation>毛重</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2124"/>
        <source>Net</source>
        <translation>净重</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2129"/>
        <source>Net &amp; Tare</source>
        <translation>净重 皮重</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2134"/>
        <source>Gross &amp; Net &amp; Tare</source>
        <translation>毛重 净重 皮重</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2148"/>
        <source>Ticket Gap:</source>
        <translation>间隔：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2167"/>
        <source>0 - 99</source>
        <translation>0 - 99</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2222"/>
        <source>Analog</source>
        <translation>模拟量参数</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2265"/>
        <source>Anglog Output：</source>
        <translation>输出模拟量：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2297"/>
        <location filename="../../../App/datatrans.ui" line="2418"/>
        <location filename="../../../App/datatrans.ui" line="2460"/>
        <location filename="../../../App/datatrans.ui" line="2502"/>
        <location filename="../../../App/datatrans.ui" line="2544"/>
        <location filename="../../../App/datatrans.cpp" line="16"/>
        <source>mA</source>
        <translation>mA</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2310"/>
        <source>Analog Type:</source>
        <translation>输出模式：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2330"/>
        <source>4-20 mA</source>
        <translation>4-20 mA</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2335"/>
        <source>0-10 V</source>
        <translation>0-10 V</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2340"/>
        <source>User-mA</source>
        <translation>用户电流</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2345"/>
        <source>User-V</source>
        <translation>用户电压</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2389"/>
        <source>Min. Out:</source>
        <translation>最小输出：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2431"/>
        <source>Zero Out:</source>
        <translation>零点输出：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2473"/>
        <source>F.S. Out:</source>
        <translation>最大量程输出：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.ui" line="2515"/>
        <source>Max. Out:</source>
        <translation>最大输出：</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.cpp" line="12"/>
        <source>Application remote editing disabled, remote modification of calibration parameters prohibited!</source>
        <translation>应用远程编辑关闭，禁止远程修改相关参数！</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.cpp" line="17"/>
        <source>V</source>
        <translation>V</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.cpp" line="18"/>
        <source>0 - 24.000 mA</source>
        <translation>0 - 24.000 mA</translation>
    </message>
    <message>
        <location filename="../../../App/datatrans.cpp" line="19"/>
        <source>0 - 10.000 V</source>
        <translation>0 - 10.000 V</translation>
    </message>
</context>
</TS>
