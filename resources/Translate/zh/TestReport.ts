<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>TestReport</name>
    <message>
        <source>%1, corner %2</source>
        <translation>%1，角 %2</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>pass</source>
        <translation>合格</translation>
    </message>
    <message>
        <source>FAIL</source>
        <translation>不合格</translation>
    </message>
    <message>
        <source>fail</source>
        <translation>不合格</translation>
    </message>
    <message>
        <source>incomplete</source>
        <translation>未完成</translation>
    </message>
    <message>
        <source>open</source>
        <translation>未测</translation>
    </message>
    <message>
        <source>captured</source>
        <translation>已读取</translation>
    </message>
    <message>
        <source>skipped</source>
        <translation>已跳过</translation>
    </message>
    <message>
        <source>timed out</source>
        <translation>超时</translation>
    </message>
    <message>
        <source>#</source>
        <translation>#</translation>
    </message>
    <message>
        <source>TEST</source>
        <translation>测试</translation>
    </message>
    <message>
        <source>LOAD</source>
        <translation>载荷</translation>
    </message>
    <message>
        <source>INDICATION</source>
        <translation>示值</translation>
    </message>
    <message>
        <source>ERROR</source>
        <translation>误差</translation>
    </message>
    <message>
        <source>ERROR (e)</source>
        <translation>误差 (e)</translation>
    </message>
    <message>
        <source>TOLERANCE</source>
        <translation>允差</translation>
    </message>
    <message>
        <source>TOL (e)</source>
        <translation>允差 (e)</translation>
    </message>
    <message>
        <source>RESULT</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>repeatability: spread %1, limit %2: %3</source>
        <translation>重复性：极差 %1，限值 %2：%3</translation>
    </message>
    <message>
        <source>eccentricity: largest error %1 on corner %2: %3</source>
        <translation>偏载：最大误差 %1，在角 %2：%3</translation>
    </message>
    <message>
        <source>stopped: %1</source>
        <translation>已停止：%1</translation>
    </message>
    <message>
        <source>test weights: %1</source>
        <translation>测试砝码：%1</translation>
    </message>
    <message>
        <source>max %1, e = %2</source>
        <translation>最大称量 %1，e = %2</translation>
    </message>
    <message>
        <source>%1verdict %2 (%3; %4)</source>
        <translation>%1结论 %2（%3；%4）</translation>
    </message>
    <message>
        <source>scale test</source>
        <translation>秤检测</translation>
    </message>
    <message>
        <source>scale test %1</source>
        <translation>秤检测 %1</translation>
    </message>
    <message>
        <source>not stated</source>
        <translation>未给出</translation>
    </message>
    <message>
        <source>U (k = 2)</source>
        <translation>U (k = 2)</translation>
    </message>
    <message>
        <source>decision rule: %1</source>
        <translation>判定规则：%1</translation>
    </message>
    <message>
        <source>uncertainty not stated: no weight class given</source>
        <translation>未给出不确定度：未指定砝码等级</translation>
    </message>
    <message>
        <source>uncertainty: U = k u with k = 2 (about 95 %), EURAMET cg-18; test weights of class %1 (OIML R 111) at their nominal values</source>
        <translation>不确定度：U = k u，k = 2（约 95 %），依据 EURAMET cg-18；测试砝码等级 %1（OIML R 111），按标称值使用</translation>
    </message>
    <message>
        <source>U of point %1: %2; u = %3, U = %4 %5</source>
        <translation>第 %1 点的 U：%2；u = %3，U = %4 %5</translation>
    </message>
</context>
</TS>
