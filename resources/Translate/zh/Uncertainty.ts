<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Uncertainty</name>
    <message>
        <source>guarded acceptance, |E| + U within the tolerance (ILAC-G8 4.2.2, w = U)</source>
        <translation>保护带接受，|E| + U 在允差内（ILAC-G8 4.2.2，w = U）</translation>
    </message>
    <message>
        <source>simple acceptance, |E| within the tolerance (ILAC-G8 4.2.1)</source>
        <translation>简单接受，|E| 在允差内（ILAC-G8 4.2.1）</translation>
    </message>
    <message>
        <source>uncertainty not stated: no weight class given</source>
        <translation>未给出不确定度：未指定砝码等级</translation>
    </message>
    <message>
        <source>uncertainty not stated: the instrument does not weigh in t, kg or g, the units of OIML R 111 weights</source>
        <translation>未给出不确定度：仪表的单位不是 t、kg 或 g（OIML R 111 砝码的单位）</translation>
    </message>
    <message>
        <source>uncertainty not stated: no division for the load</source>
        <translation>未给出不确定度：该载荷没有分度值</translation>
    </message>
    <message>
        <source>uncertainty not stated: the load is not made of whole mg</source>
        <translation>未给出不确定度：载荷不是整数毫克</translation>
    </message>
    <message>
        <source>uncertainty not stated: class %1 has no weight of %2 mg in OIML R 111</source>
        <translation>未给出不确定度：OIML R 111 中 %1 等级没有 %2 mg 的砝码</translation>
    </message>
    <message>
        <source>rounding at zero</source>
        <translation>零点修约</translation>
    </message>
    <message>
        <source>rounding at load</source>
        <translation>载荷修约</translation>
    </message>
    <message>
        <source>repeatability</source>
        <translation>重复性</translation>
    </message>
    <message>
        <source>repeatability: one reading, no standard deviation; the rounding terms alone</source>
        <translation>重复性：只有一个读数，无标准偏差；仅计修约分量</translation>
    </message>
    <message>
        <source>repeatability: not tested in this test</source>
        <translation>重复性：本次测试未测</translation>
    </message>
    <message>
        <source>eccentricity</source>
        <translation>偏载</translation>
    </message>
    <message>
        <source>eccentricity: not tested in this test</source>
        <translation>偏载：本次测试未测</translation>
    </message>
    <message>
        <source>reference weights (%1)</source>
        <translation>标准砝码（%1）</translation>
    </message>
</context>
</TS>
