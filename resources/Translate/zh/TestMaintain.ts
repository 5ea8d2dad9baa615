<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>TestMaintain</name>
    <message>
        <location filename="../../../App/testmaintain.ui" line="+14"/>
        <source>Form</source>
        <translation>窗体</translation>
    </message>
    <message>
        <location line="+71"/>
        <location line="+57"/>
        <source>System Information</source>
        <translation>系统信息</translation>
    </message>
    <message>
        <location line="+42"/>
        <source>Software Ver:</source>
        <translation>软件版本：</translation>
    </message>
    <message>
        <location line="+38"/>
        <source>Compile Date:</source>
        <translation>编译日期：</translation>
    </message>
    <message>
        <location line="+38"/>
        <source>Serial Num:</source>
        <translation>序列号：</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>MAC Add:</source>
        <translation>MAC地址：</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>Instrument ID:</source>
        <translation>仪表编号：</translation>
    </message>
    <message>
        <location line="+38"/>
        <source>Battery Level:</source>
        <translation>电池电量：</translation>
    </message>
    <message>
        <location line="+38"/>
        <source>Battery Volt:</source>
        <translation>电池电压：</translation>
    </message>
    <message>
        <location line="+43"/>
        <location line="+57"/>
        <source>System Reset</source>
        <translation>系统复位</translation>
    </message>
    <message>
        <location line="+42"/>
        <source>Para Reset:</source>
        <translation>参数复位：</translation>
    </message>
    <message>
        <location line="+36"/>
        <location filename="../../../App/testmaintain.cpp" line="+35"/>
        <source>Reset All</source>
        <translation>全部复位</translation>
    </message>
    <message>
        <location line="+19"/>
        <location filename="../../../App/testmaintain.cpp" line="+2"/>
        <source>Reset CAL</source>
        <translation>标定复位</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Reset APP</source>
        <translation>应用复位</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Backlight Level:</source>
        <translation>背光亮度：</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>Low</source>
        <translation>低</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Mid</source>
        <translation>中</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>High</source>
        <translation>高</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>NetLed Define:</source>
        <translation>网口灯定义：</translation>
    </message>
    <message>
        <location line="+20"/>
        <location line="+60"/>
        <location line="+55"/>
        <source>COM 1</source>
        <translation>串口1</translation>
    </message>
    <message>
        <location line="-110"/>
        <location line="+60"/>
        <location line="+55"/>
        <source>COM 2</source>
        <translation>串口2</translation>
    </message>
    <message>
        <location line="-110"/>
        <location line="+60"/>
        <location line="+55"/>
        <source>COM 3</source>
        <translation>串口3</translation>
    </message>
    <message>
        <location line="-110"/>
        <location line="+60"/>
        <location line="+55"/>
        <source>NetCOM</source>
        <translation>网口</translation>
    </message>
    <message>
        <location line="-110"/>
        <source>Net</source>
        <translation>网络</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>ComLed1 Define:</source>
        <translation>串口灯1定义：</translation>
    </message>
    <message>
        <location line="+55"/>
        <source>ComLed2 Define:</source>
        <translation>串口灯2定义：</translation>
    </message>
    <message>
        <location line="+55"/>
        <source>CAL Remote Edit:</source>
        <translation>标定远程编辑：</translation>
    </message>
    <message>
        <location line="+20"/>
        <location line="+45"/>
        <source>OFF</source>
        <translation>关</translation>
    </message>
    <message>
        <location line="-40"/>
        <location line="+45"/>
        <source>ON</source>
        <translation>开</translation>
    </message>
    <message>
        <location line="-25"/>
        <source>NCAL Remote Edit:</source>
        <translation>应用远程编辑：</translation>
    </message>
    <message>
        <location line="+50"/>
        <location line="+57"/>
        <source>Import Data</source>
        <translation>导入数据</translation>
    </message>
    <message>
        <location line="+42"/>
        <source>Import:</source>
        <translation>导入：</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Please select excel file</source>
        <translation>请选择Excel文件</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Importing...</source>
        <translation>正在导入...</translation>
    </message>
    <message>
        <location line="+59"/>
        <location line="+57"/>
        <source>Export Data</source>
        <translation>导出数据</translation>
    </message>
    <message>
        <location line="+42"/>
        <source>Export:</source>
        <translation>导出：</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Exporting...</source>
        <translation>正在导出...</translation>
    </message>
    <message>
        <location filename="../../../App/testmaintain.cpp" line="-1"/>
        <location line="+4"/>
        <source>Confirm? Reset may result in communication loss!</source>
        <translation>是否确认？复位可能导致通讯中断！</translation>
    </message>
    <message>
        <location line="-3"/>
        <source>Confirm?</source>
        <translation>是否确认？</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Reset Application</source>
        <translation>应用参数复位</translation>
    </message>
    <message>
        <location line="+176"/>
        <location line="+18"/>
        <location line="+6"/>
        <location line="+66"/>
        <location line="+3"/>
        <location line="+25"/>
        <location line="+3"/>
        <source>Tip</source>
        <translation>提示</translation>
    </message>
    <message>
        <location line="-121"/>
        <source>Password Failed!</source>
        <translation>密码错误！</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>Reset Failed!</source>
        <translation>复位失败！</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Reset Successful!</source>
        <translation>复位成功！</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>QuarnT-Zelt_导出文件.xlsx</source>
        <translation>QuarnT-Zelt_导出文件.xlsx</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>QuarnT-Zelt_ExportFile.xlsx</source>
        <translation>QuarnT-Zelt_ExportFile.xlsx</translation>
    </message>
    <message>
        <location line="+52"/>
        <source>Export Failed!</source>
        <translation>导出失败！</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Export Path&gt;&gt;&gt;</source>
        <translation>导出路径&gt;&gt;&gt;</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Export Successful!</source>
        <translation>导出成功！</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Select File</source>
        <translation>选择文件</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Excel Files (*.xlsx *.xls)</source>
        <translation>Excel文件 (*.xlsx *.xls)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>All Files (*)</source>
        <translation>所有文件 (*)</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Import Failed!</source>
        <translation>导入失败！</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Import Path&gt;&gt;&gt;</source>
        <translation>导入路径&gt;&gt;&gt;</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Import Successful!</source>
        <translation>导入成功！</translation>
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
