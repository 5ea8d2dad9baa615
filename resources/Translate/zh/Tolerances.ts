<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Tolerances</name>
    <message>
        <source>a custom tolerance is either a percentage of the load (above 0, at most 100) or a number of divisions (above 0, at most 1000)</source>
        <translation>自定义允差为载荷的百分比（大于 0，最多 100）或分度数（大于 0，最多 1000），二者取其一</translation>
    </message>
    <message>
        <source>OIML R 76 judges on initial verification or in service, not on acceptance or maintenance</source>
        <translation>OIML R 76 按首次检定或使用中判定，不按验收或维护判定</translation>
    </message>
    <message>
        <source>Handbook 44 judges on acceptance or maintenance, not on initial verification or in service</source>
        <translation>Handbook 44 按验收或维护判定，不按首次检定或使用中判定</translation>
    </message>
    <message>
        <source>%1 has no tolerances for class %2</source>
        <translation>%1 没有 %2 级的允差</translation>
    </message>
    <message>
        <source>the division (e) is %1: a tolerance needs a division above zero</source>
        <translation>分度值 (e) 为 %1：允差需要大于零的分度值</translation>
    </message>
    <message>
        <source>a test load below zero has no tolerance</source>
        <translation>小于零的测试载荷没有允差</translation>
    </message>
    <message>
        <source>a load of %1 divisions is beyond the table of class %2 (an instrument of this class has fewer divisions)</source>
        <translation>%1 个分度的载荷超出 %2 级的允差表（该等级仪表的分度数更少）</translation>
    </message>
    <message>
        <source>custom tolerance, +-%1 % of the load</source>
        <translation>自定义允差，载荷的 +-%1 %</translation>
    </message>
    <message>
        <source>custom tolerance, +-%1 d</source>
        <translation>自定义允差，+-%1 d</translation>
    </message>
    <message>
        <source>initial verification</source>
        <translation>首次检定</translation>
    </message>
    <message>
        <source>in service</source>
        <translation>使用中</translation>
    </message>
    <message>
        <source>acceptance</source>
        <translation>验收</translation>
    </message>
    <message>
        <source>maintenance</source>
        <translation>维护</translation>
    </message>
    <message>
        <source>%1 class %2, %3</source>
        <translation>%1 %2 级，%3</translation>
    </message>
    <message>
        <source>range %1: </source>
        <translation>量程 %1：</translation>
    </message>
    <message>
        <source>%1e = %2 is below the smallest e of class %3 (%4 %5, %6)</source>
        <translation>%1e = %2 小于 %3 级允许的最小 e（%4 %5，%6）</translation>
    </message>
    <message>
        <source>n = Max/e = %1 (%2 / %3)</source>
        <translation>n = Max/e = %1（%2 / %3）</translation>
    </message>
    <message>
        <source>%1%2 is above the limit of class %3, n at most %4 (%5): choose the class the instrument is made for or a coarser e</source>
        <translation>%1%2 超过 %3 级的上限，n 最多为 %4（%5）：请选择仪表所属的准确度等级或更大的 e</translation>
    </message>
    <message>
        <source>%1%2 is below the limit of class %3 for this e, n at least %4 (%5)</source>
        <translation>%1%2 低于 %3 级在此 e 下的下限，n 至少为 %4（%5）</translation>
    </message>
</context>
</TS>
