<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ScaleTestDialog</name>
    <message>
        <source>Standard:</source>
        <translation>标准：</translation>
    </message>
    <message>
        <source>Class:</source>
        <translation>准确度等级：</translation>
    </message>
    <message>
        <source>Tolerance:</source>
        <translation>允差：</translation>
    </message>
    <message>
        <source>Test loads:</source>
        <translation>测试载荷：</translation>
    </message>
    <message>
        <source>Eccentricity corners:</source>
        <translation>偏载测试角数：</translation>
    </message>
    <message>
        <source>Repeatability weighings:</source>
        <translation>重复性称量次数：</translation>
    </message>
    <message>
        <source>Test weight set:</source>
        <translation>标准砝码组：</translation>
    </message>
    <message>
        <source>Certificate no.:</source>
        <translation>证书编号：</translation>
    </message>
    <message>
        <source>Calibration due:</source>
        <translation>检定有效期至：</translation>
    </message>
    <message>
        <source>Span weight:</source>
        <translation>标定砝码：</translation>
    </message>
    <message>
        <source>Scale Test</source>
        <translation>秤检测</translation>
    </message>
    <message>
        <source>Range %1: max %2, e = %3 (%4 e)</source>
        <translation>量程%1：最大秤量 %2，e = %3（%4 e）</translation>
    </message>
    <message>
        <source>OIML R 76</source>
        <translation>OIML R 76</translation>
    </message>
    <message>
        <source>NIST Handbook 44</source>
        <translation>NIST 手册 44</translation>
    </message>
    <message>
        <source>none</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Suggest</source>
        <translation>建议值</translation>
    </message>
    <message>
        <source>Then the same loads decreasing</source>
        <translation>再按相同载荷递减</translation>
    </message>
    <message>
        <source>Return to zero at the end</source>
        <translation>最后回零</translation>
    </message>
    <message>
        <source>Capture by itself when the load is on and stable</source>
        <translation>载荷放上并稳定后自动采集</translation>
    </message>
    <message>
        <source>Start the as-found test</source>
        <translation>开始校前测试</translation>
    </message>
    <message>
        <source>Capture</source>
        <translation>采集</translation>
    </message>
    <message>
        <source>Skip</source>
        <translation>跳过</translation>
    </message>
    <message>
        <source>Redo selected</source>
        <translation>重测所选</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Calibrate...</source>
        <translation>标定...</translation>
    </message>
    <message>
        <source>Test as left</source>
        <translation>校后测试</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
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
        <source>initial verification</source>
        <translation>首次检定</translation>
    </message>
    <message>
        <source>in service</source>
        <translation>使用中</translation>
    </message>
    <message>
        <source>set %1, certificate %2, due %3</source>
        <translation>砝码组 %1，证书 %2，有效期至 %3</translation>
    </message>
    <message>
        <source>As found</source>
        <translation>校前</translation>
    </message>
    <message>
        <source>As left</source>
        <translation>校后</translation>
    </message>
    <message>
        <source>Waiting for a stable reading...</source>
        <translation>等待稳定读数...</translation>
    </message>
    <message>
        <source>stopped in the window</source>
        <translation>在窗口中停止</translation>
    </message>
    <message>
        <source>the link to the instrument was lost</source>
        <translation>与仪表的连接已断开</translation>
    </message>
    <message>
        <source>Press Capture to wait again, or Skip to leave the point open.</source>
        <translation>按“采集”重新等待，或按“跳过”保留此点未测。</translation>
    </message>
    <message>
        <source>no reading</source>
        <translation>无读数</translation>
    </message>
    <message>
        <source>overflow</source>
        <translation>溢出</translation>
    </message>
    <message>
        <source>stable</source>
        <translation>稳定</translation>
    </message>
    <message>
        <source>motion</source>
        <translation>不稳定</translation>
    </message>
    <message>
        <source>Point %1 of %2: %3</source>
        <translation>第 %1 点，共 %2 点：%3</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>(not kept in the service record)</source>
        <translation>（未保存到服务记录）</translation>
    </message>
    <message>
        <source>The test is incomplete: the link was lost.</source>
        <translation>测试未完成：连接已断开。</translation>
    </message>
    <message>
        <source>Test finished.</source>
        <translation>测试结束。</translation>
    </message>
    <message>
        <source>As found: %1. As left: %2.</source>
        <translation>校前：%1。校后：%2。</translation>
    </message>
    <message>
        <source>Calibration</source>
        <translation>标定</translation>
    </message>
    <message>
        <source>Zero now</source>
        <translation>立即标零</translation>
    </message>
    <message>
        <source>The link to the instrument was lost.</source>
        <translation>与仪表的连接已断开。</translation>
    </message>
    <message>
        <source>Write CP1 now</source>
        <translation>立即写入标定点1</translation>
    </message>
    <message>
        <source>the window was closed</source>
        <translation>窗口已关闭</translation>
    </message>
    <message>
        <source>Take a stable reading whose last digit flickers by one division</source>
        <translation>末位在一个分度内跳动的稳定读数也可采集</translation>
    </message>
    <message>
        <source>not given</source>
        <translation>未填写</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>返回</translation>
    </message>
    <message>
        <source>The net state could not be read; check the link.</source>
        <translation>无法读取净重状态；请检查连接。</translation>
    </message>
    <message>
        <source>The instrument shows a net weight: clear the tare first, a test judges gross weights.</source>
        <translation>仪表显示净重：请先清除皮重，检定判定的是毛重。</translation>
    </message>
    <message>
        <source>Write CP1</source>
        <translation>写入标定点1</translation>
    </message>
    <message>
        <source>Zero</source>
        <translation>标零</translation>
    </message>
    <message>
        <source>Write CP1 anyway</source>
        <translation>仍然写入标定点1</translation>
    </message>
</context>
</TS>
