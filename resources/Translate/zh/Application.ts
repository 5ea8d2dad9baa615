<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Application</name>
    <message>
        <location filename="../../../App/application.ui" line="14"/>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="115"/>
        <source>Input Config</source>
        <translation>输入端口配置</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="186"/>
        <source>Input 1：</source>
        <translation>输入1：</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="206"/>
        <location filename="../../../App/application.ui" line="300"/>
        <location filename="../../../App/application.ui" line="394"/>
        <location filename="../../../App/application.ui" line="488"/>
        <location filename="../../../App/application.ui" line="664"/>
        <location filename="../../../App/application.ui" line="728"/>
        <location filename="../../../App/application.ui" line="792"/>
        <location filename="../../../App/application.ui" line="856"/>
        <location filename="../../../App/application.ui" line="920"/>
        <location filename="../../../App/application.ui" line="984"/>
        <source>None</source>
        <translation>无</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="211"/>
        <location filename="../../../App/application.ui" line="305"/>
        <location filename="../../../App/application.ui" line="399"/>
        <location filename="../../../App/application.ui" line="493"/>
        <location filename="../../../App/application.ui" line="669"/>
        <location filename="../../../App/application.ui" line="733"/>
        <location filename="../../../App/application.ui" line="797"/>
        <location filename="../../../App/application.ui" line="861"/>
        <location filename="../../../App/application.ui" line="925"/>
        <location filename="../../../App/application.ui" line="989"/>
        <source>Pre.Point 1</source>
        <translation>设定点1</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="216"/>
        <location filename="../../../App/application.ui" line="310"/>
        <location filename="../../../App/application.ui" line="404"/>
        <location filename="../../../App/application.ui" line="498"/>
        <location filename="../../../App/application.ui" line="674"/>
        <location filename="../../../App/application.ui" line="738"/>
        <location filename="../../../App/application.ui" line="802"/>
        <location filename="../../../App/application.ui" line="866"/>
        <location filename="../../../App/application.ui" line="930"/>
        <location filename="../../../App/application.ui" line="994"/>
        <source>Pre.Point 2</source>
        <translation>设定点2</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="221"/>
        <location filename="../../../App/application.ui" line="315"/>
        <location filename="../../../App/application.ui" line="409"/>
        <location filename="../../../App/application.ui" line="503"/>
        <location filename="../../../App/application.ui" line="679"/>
        <location filename="../../../App/application.ui" line="743"/>
        <location filename="../../../App/application.ui" line="807"/>
        <location filename="../../../App/application.ui" line="871"/>
        <location filename="../../../App/application.ui" line="935"/>
        <location filename="../../../App/application.ui" line="999"/>
        <source>Pre.Point 3</source>
        <translation>设定点3</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="226"/>
        <location filename="../../../App/application.ui" line="320"/>
        <location filename="../../../App/application.ui" line="414"/>
        <location filename="../../../App/application.ui" line="508"/>
        <location filename="../../../App/application.ui" line="684"/>
        <location filename="../../../App/application.ui" line="748"/>
        <location filename="../../../App/application.ui" line="812"/>
        <location filename="../../../App/application.ui" line="876"/>
        <location filename="../../../App/application.ui" line="940"/>
        <location filename="../../../App/application.ui" line="1004"/>
        <source>Pre.Point 4</source>
        <translation>设定点4</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="231"/>
        <location filename="../../../App/application.ui" line="325"/>
        <location filename="../../../App/application.ui" line="419"/>
        <location filename="../../../App/application.ui" line="513"/>
        <source>Zero</source>
        <translation>清零</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="236"/>
        <location filename="../../../App/application.ui" line="330"/>
        <location filename="../../../App/application.ui" line="424"/>
        <location filename="../../../App/application.ui" line="518"/>
        <source>Para Reset</source>
        <translation>参数复位</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="241"/>
        <location filename="../../../App/application.ui" line="335"/>
        <location filename="../../../App/application.ui" line="429"/>
        <location filename="../../../App/application.ui" line="523"/>
        <source>Tare/Clear Tare</source>
        <translation>去皮/清皮</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="246"/>
        <location filename="../../../App/application.ui" line="340"/>
        <location filename="../../../App/application.ui" line="434"/>
        <location filename="../../../App/application.ui" line="528"/>
        <source>Tare</source>
        <translation>去皮</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="251"/>
        <location filename="../../../App/application.ui" line="345"/>
        <location filename="../../../App/application.ui" line="439"/>
        <location filename="../../../App/application.ui" line="533"/>
        <source>Clear Tare</source>
        <translation>清皮</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="256"/>
        <location filename="../../../App/application.ui" line="350"/>
        <location filename="../../../App/application.ui" line="444"/>
        <location filename="../../../App/application.ui" line="538"/>
        <source>CAL Lock</source>
        <translation>标定锁</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="261"/>
        <location filename="../../../App/application.ui" line="355"/>
        <location filename="../../../App/application.ui" line="449"/>
        <location filename="../../../App/application.ui" line="543"/>
        <source>Print</source>
        <translation>打印</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="266"/>
        <location filename="../../../App/application.ui" line="360"/>
        <location filename="../../../App/application.ui" line="454"/>
        <location filename="../../../App/application.ui" line="548"/>
        <source>Gross/Net</source>
        <translation>毛净重切换</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="280"/>
        <source>Input 2:</source>
        <translation>输入2：</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="374"/>
        <source>Input 3:</source>
        <translation>输入3：</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="468"/>
        <source>Input 4:</source>
        <translation>输入4：</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="573"/>
        <source>Output Config</source>
        <translation>输出端口配置</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="644"/>
        <source>Output 1：</source>
        <translation>输出1：</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="689"/>
        <location filename="../../../App/application.ui" line="753"/>
        <location filename="../../../App/application.ui" line="817"/>
        <location filename="../../../App/application.ui" line="881"/>
        <location filename="../../../App/application.ui" line="945"/>
        <location filename="../../../App/application.ui" line="1009"/>
        <source>Stable</source>
        <translation>稳定</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="694"/>
        <location filename="../../../App/application.ui" line="758"/>
        <location filename="../../../App/application.ui" line="822"/>
        <location filename="../../../App/application.ui" line="886"/>
        <location filename="../../../App/application.ui" line="950"/>
        <location filename="../../../App/application.ui" line="1014"/>
        <source>Overflow</source>
        <translation>溢出</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="708"/>
        <source>Output 2：</source>
        <translation>输出2：</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="772"/>
        <source>Output 3：</source>
        <translation>输出3：</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="836"/>
        <source>Output 4：</source>
        <translation>输出4：</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="900"/>
        <source>Output 5：</source>
        <translation>输出5：</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="964"/>
        <source>Output 6：</source>
        <translation>输出6：</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1039"/>
        <source>Pre.Point Config</source>
        <translation>预置点配置</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1096"/>
        <source>Preset Point 1</source>
        <translation>预置点1</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1132"/>
        <location filename="../../../App/application.ui" line="1478"/>
        <location filename="../../../App/application.ui" line="1824"/>
        <location filename="../../../App/application.ui" line="2170"/>
        <source>Judge Stable:</source>
        <translation>判断稳定：</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1152"/>
        <location filename="../../../App/application.ui" line="1498"/>
        <location filename="../../../App/application.ui" line="1844"/>
        <location filename="../../../App/application.ui" line="2190"/>
        <source>OFF</source>
        <translation>OFF</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1157"/>
        <location filename="../../../App/application.ui" line="1503"/>
        <location filename="../../../App/application.ui" line="1849"/>
        <location filename="../../../App/application.ui" line="2195"/>
        <source>ON</source>
        <translation>ON</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1171"/>
        <location filename="../../../App/application.ui" line="1517"/>
        <location filename="../../../App/application.ui" line="1863"/>
        <location filename="../../../App/application.ui" line="2209"/>
        <source>Duration：</source>
        <translation>持续时间：</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1190"/>
        <location filename="../../../App/application.ui" line="1536"/>
        <location filename="../../../App/application.ui" line="1882"/>
        <location filename="../../../App/application.ui" line="2228"/>
        <source>0 - 99.9</source>
        <translation>0 - 99.9</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1203"/>
        <location filename="../../../App/application.ui" line="1549"/>
        <location filename="../../../App/application.ui" line="1895"/>
        <location filename="../../../App/application.ui" line="2241"/>
        <source>s</source>
        <translation>s</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1216"/>
        <location filename="../../../App/application.ui" line="1562"/>
        <location filename="../../../App/application.ui" line="1908"/>
        <location filename="../../../App/application.ui" line="2254"/>
        <source>COMP Mode:</source>
        <translation>比较模式：</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1236"/>
        <location filename="../../../App/application.ui" line="1582"/>
        <location filename="../../../App/application.ui" line="1928"/>
        <location filename="../../../App/application.ui" line="2274"/>
        <source>OFF </source>
        <translation>关闭</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1241"/>
        <location filename="../../../App/application.ui" line="1587"/>
        <location filename="../../../App/application.ui" line="1933"/>
        <location filename="../../../App/application.ui" line="2279"/>
        <source>W&lt;CV1</source>
        <translation>小于</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1246"/>
        <location filename="../../../App/application.ui" line="1592"/>
        <location filename="../../../App/application.ui" line="1938"/>
        <location filename="../../../App/application.ui" line="2284"/>
        <source>W&lt;=CV1</source>
        <translation>小于等于(重量)</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1251"/>
        <location filename="../../../App/application.ui" line="1597"/>
        <location filename="../../../App/application.ui" line="1943"/>
        <location filename="../../../App/application.ui" line="2289"/>
        <source>W=CV1</source>
        <translation>等于(重量)</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1256"/>
        <location filename="../../../App/application.ui" line="1602"/>
        <location filename="../../../App/application.ui" line="1948"/>
        <location filename="../../../App/application.ui" line="2294"/>
        <source>W&gt;=CV1</source>
        <translation>大于等于(重量)</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1261"/>
        <location filename="../../../App/application.ui" line="1607"/>
        <location filename="../../../App/application.ui" line="1953"/>
        <location filename="../../../App/application.ui" line="2299"/>
        <source>W&gt;CV1</source>
        <translation>大于</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1266"/>
        <location filename="../../../App/application.ui" line="1612"/>
        <location filename="../../../App/application.ui" line="1958"/>
        <location filename="../../../App/application.ui" line="2304"/>
        <source>W!=CV1</source>
        <translation>不等于(重量)</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1271"/>
        <location filename="../../../App/application.ui" line="1617"/>
        <location filename="../../../App/application.ui" line="1963"/>
        <location filename="../../../App/application.ui" line="2309"/>
        <source>CV1&lt;=W&lt;=CV2</source>
        <translation>介于</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1276"/>
        <location filename="../../../App/application.ui" line="1622"/>
        <location filename="../../../App/application.ui" line="1968"/>
        <location filename="../../../App/application.ui" line="2314"/>
        <source>W&lt;[CV1,CV2]&gt;W</source>
        <translation>不介于</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1281"/>
        <location filename="../../../App/application.ui" line="1627"/>
        <location filename="../../../App/application.ui" line="1973"/>
        <location filename="../../../App/application.ui" line="2319"/>
        <source>External Trigger</source>
        <translation>外部触发</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1295"/>
        <location filename="../../../App/application.ui" line="1641"/>
        <location filename="../../../App/application.ui" line="1987"/>
        <location filename="../../../App/application.ui" line="2333"/>
        <source>Value 1：</source>
        <translation>设定值1：</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1337"/>
        <location filename="../../../App/application.ui" line="1683"/>
        <location filename="../../../App/application.ui" line="2029"/>
        <location filename="../../../App/application.ui" line="2375"/>
        <source>Value 2：</source>
        <translation>设定值2：</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1442"/>
        <source>Preset Point 2</source>
        <translation>预置点2</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="1788"/>
        <source>Preset Point 3</source>
        <translation>预置点3</translation>
    </message>
    <message>
        <location filename="../../../App/application.ui" line="2134"/>
        <source>Preset Point 4</source>
        <translation>预置点4</translation>
    </message>
    <message>
        <location filename="../../../App/application.cpp" line="11"/>
        <source>Application remote editing disabled, remote modification of calibration parameters prohibited!</source>
        <translation>应用远程编辑关闭，禁止远程修改相关参数！</translation>
    </message>
    <message>
        <location filename="../../../App/application.cpp" line="17"/>
        <source>0 - 999999</source>
        <translation>0 - 999999</translation>
    </message>
    <message>
        <location filename="../../../App/application.cpp" line="18"/>
        <source>0 - 99999.9</source>
        <translation>0 - 99999.9</translation>
    </message>
    <message>
        <location filename="../../../App/application.cpp" line="19"/>
        <source>0 - 9999.99</source>
        <translation>0 - 9999.99</translation>
    </message>
    <message>
        <location filename="../../../App/application.cpp" line="20"/>
        <source>0 - 999.999</source>
        <translation>0 - 999.999</translation>
    </message>
    <message>
        <location filename="../../../App/application.cpp" line="21"/>
        <source>0 - 99.9999</source>
        <translation>0 - 99.9999</translation>
    </message>
</context>
</TS>
