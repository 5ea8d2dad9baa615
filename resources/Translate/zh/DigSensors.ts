<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>DigSensors</name>
    <message>
        <location filename="../../../App/digsensors.ui" line="+14"/>
        <source>Form</source>
        <translation>窗体</translation>
    </message>
    <message>
        <location line="+142"/>
        <source>Func Para</source>
        <translation>功能参数</translation>
    </message>
    <message>
        <location line="+42"/>
        <source>Module Num:</source>
        <translation>模块数量：</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>1 - 8</source>
        <translation>1 - 8</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>Search Sen:</source>
        <translation>搜索传感器：</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>OutWay:          </source>
        <translation>输出方式：</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>AD OutWay</source>
        <translation>内码输出</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Wt OutWay</source>
        <translation>重量输出</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>SetFilter:          </source>
        <translation>滤波设置：</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>Low Filter</source>
        <translation>弱滤波</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Mid Filter</source>
        <translation>中滤波</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>High Filter</source>
        <translation>强滤波</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>Accuracy:          </source>
        <translation>精度：</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>0.1</source>
        <translation>0.1</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>0.01</source>
        <translation>0.01</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>Send Time:          </source>
        <translation>发送间隔：</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>20 - 100ms</source>
        <translation>20 - 100毫秒</translation>
    </message>
    <message>
        <location line="+22"/>
        <source> ms</source>
        <translation> 毫秒</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Check Sen:          </source>
        <translation>传感器检测：</translation>
    </message>
    <message>
        <location line="+75"/>
        <location line="+91"/>
        <location line="+91"/>
        <location line="+91"/>
        <location line="+91"/>
        <location line="+91"/>
        <location line="+91"/>
        <location line="+91"/>
        <source>Add:</source>
        <translation>地址：</translation>
    </message>
    <message>
        <location line="+114"/>
        <source>Angle Fix</source>
        <translation>角差修正</translation>
    </message>
    <message>
        <location line="+42"/>
        <source>Angle Reset:</source>
        <translation>角差复位：</translation>
    </message>
    <message>
        <location line="+19"/>
        <location filename="../../../App/digsensors.cpp" line="+148"/>
        <source>Reset?</source>
        <translation>是否复位？</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Angle Fix:</source>
        <translation>角差修正：</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Fix?</source>
        <translation>修正？</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Angle Ratio:</source>
        <translation>角差系数：</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Angle Differe 1:</source>
        <translation>角差1：</translation>
    </message>
    <message>
        <location line="+19"/>
        <location line="+41"/>
        <location line="+41"/>
        <location line="+41"/>
        <location line="+41"/>
        <location line="+41"/>
        <location line="+41"/>
        <location line="+41"/>
        <source>0.00001 - 8.00000</source>
        <translation>0.00001 - 8.00000</translation>
    </message>
    <message>
        <location line="-265"/>
        <source>Angle Differe 2:</source>
        <translation>角差2：</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>Angle Differe 3:</source>
        <translation>角差3：</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>Angle Differe 4:</source>
        <translation>角差4：</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>Angle Differe 5:</source>
        <translation>角差5：</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>Angle Differe 6:</source>
        <translation>角差6：</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>Angle Differe 7:</source>
        <translation>角差7：</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>Angle Differe 8:</source>
        <translation>角差8：</translation>
    </message>
    <message>
        <location filename="../../../App/digsensors.cpp" line="-127"/>
        <source>Confirmation after pressing corner 1</source>
        <translation>请在角1加载后确认</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Confirmation after pressing corner 2</source>
        <translation>请在角2加载后确认</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Confirmation after pressing corner 3</source>
        <translation>请在角3加载后确认</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Confirmation after pressing corner 4</source>
        <translation>请在角4加载后确认</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Confirmation after pressing corner 5</source>
        <translation>请在角5加载后确认</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Confirmation after pressing corner 6</source>
        <translation>请在角6加载后确认</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Confirmation after pressing corner 7</source>
        <translation>请在角7加载后确认</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Confirmation after pressing corner 8</source>
        <translation>请在角8加载后确认</translation>
    </message>
    <message>
        <location line="+114"/>
        <location line="+6"/>
        <location line="+10"/>
        <source>Tip</source>
        <translation>提示</translation>
    </message>
    <message>
        <location line="-16"/>
        <source>Search?</source>
        <translation>是否搜索？</translation>
    </message>
</context>
</TS>
