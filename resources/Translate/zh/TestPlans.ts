<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>TestPlans</name>
    <message>
        <source>the test has no loads</source>
        <translation>测试没有加载点</translation>
    </message>
    <message>
        <source>a test load of %1 is below zero</source>
        <translation>测试载荷 %1 小于零</translation>
    </message>
    <message>
        <source>a test load of %1 is above the instrument's max of %2</source>
        <translation>测试载荷 %1 超过仪表最大称量 %2</translation>
    </message>
    <message>
        <source>increasing</source>
        <translation>加载</translation>
    </message>
    <message>
        <source>decreasing</source>
        <translation>卸载</translation>
    </message>
    <message>
        <source>eccentricity</source>
        <translation>偏载</translation>
    </message>
    <message>
        <source>repeatability</source>
        <translation>重复性</translation>
    </message>
    <message>
        <source>return to zero</source>
        <translation>回零</translation>
    </message>
    <message>
        <source>remove the load</source>
        <translation>移除载荷</translation>
    </message>
    <message>
        <source>place %1 on corner %2</source>
        <translation>在角 %2 放置 %1</translation>
    </message>
    <message>
        <source>place %1</source>
        <translation>放置 %1</translation>
    </message>
    <message>
        <source>the platform reports no supports (no weighing modules found): an eccentricity test needs at least one</source>
        <translation>秤台没有支点（未找到称重模块）：偏载测试至少需要一个</translation>
    </message>
    <message>
        <source>%1 corners asked for, but the platform has %2 supports: the eccentricity test loads each support once (at most %2 corners)</source>
        <translation>要求 %1 个角，但秤台只有 %2 个支点：偏载测试每个支点加载一次（最多 %2 个角）</translation>
    </message>
</context>
</TS>
