<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>HistoryPage</name>
    <message>
        <source>Instrument</source>
        <translation>仪表</translation>
    </message>
    <message>
        <source>Parameter</source>
        <translation>参数</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>来源</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>From</source>
        <translation>从</translation>
    </message>
    <message>
        <source>To</source>
        <translation>到</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>刷新</translation>
    </message>
    <message>
        <source>Verify chain</source>
        <translation>校验记录链</translation>
    </message>
    <message>
        <source>Export CSV…</source>
        <translation>导出 CSV…</translation>
    </message>
    <message>
        <source>Export Excel…</source>
        <translation>导出 Excel…</translation>
    </message>
    <message>
        <source>The service record cannot be opened.</source>
        <translation>无法打开维护记录。</translation>
    </message>
    <message>
        <source>New entries were recorded: Refresh shows them.</source>
        <translation>有新的记录：点击“刷新”查看。</translation>
    </message>
    <message>
        <source>The service record cannot be read: %1</source>
        <translation>无法读取维护记录：%1</translation>
    </message>
    <message>
        <source>Chain intact: %1 entries</source>
        <translation>记录链完整：共 %1 条</translation>
    </message>
    <message>
        <source>Chain broken at entry %1 (id %2): %3</source>
        <translation>记录链在第 %1 条（id %2）处损坏：%3</translation>
    </message>
    <message>
        <source>missing</source>
        <translation>缺失</translation>
    </message>
    <message>
        <source>Export the history</source>
        <translation>导出历史记录</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>Excel workbooks (*.xlsx)</source>
        <translation>Excel 工作簿 (*.xlsx)</translation>
    </message>
    <message>
        <source>Saved %1</source>
        <translation>已保存 %1</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>未保存：%1</translation>
    </message>
    <message>
        <source>Saved the newest %1 entries to %2; Export CSV saves them all</source>
        <translation>已将最新的 %1 条保存到 %2；“导出 CSV”可保存全部</translation>
    </message>
    <message>
        <source>Cancel check</source>
        <translation>取消校验</translation>
    </message>
    <message>
        <source>Checking the chain…</source>
        <translation>正在校验链…</translation>
    </message>
    <message>
        <source>Checking the chain: %1 of %2 entries…</source>
        <translation>正在校验链：%1 / %2 条…</translation>
    </message>
    <message>
        <source>Chain check cancelled after %1 entries.</source>
        <translation>链校验已取消，已校验 %1 条。</translation>
    </message>
    <message>
        <source>No record here: the service record holds no entries.</source>
        <translation>此处没有记录：服务记录中没有条目。</translation>
    </message>
    <message>
        <source>Shared (all computers)</source>
        <translation>共享（所有计算机）</translation>
    </message>
    <message>
        <source>The shared record cannot be read: %1</source>
        <translation>无法读取共享记录：%1</translation>
    </message>
    <message>
        <source>No shared record is set up (historyUrl in the settings file, or ZELT_HISTORY_URL).</source>
        <translation>未设置共享记录（设置文件中的 historyUrl，或 ZELT_HISTORY_URL）。</translation>
    </message>
    <message>
        <source>The shared record holds no entries yet.</source>
        <translation>共享记录中还没有条目。</translation>
    </message>
    <message>
        <source>Nothing is recorded yet: every parameter written from this computer is entered here, with the connection it was made on.</source>
        <translation>尚无记录：从本计算机写入的每个参数都会记录在此，并注明所用的连接。</translation>
    </message>
    <message>
        <source>Nothing is recorded for instrument %1 yet: every parameter written to it is entered here. Clear the instrument filter to see every instrument.</source>
        <translation>仪表 %1 尚无记录：写入它的每个参数都会记录在此。清空仪表筛选可查看所有仪表。</translation>
    </message>
    <message>
        <source>No entry matches these filters.</source>
        <translation>没有符合这些筛选条件的条目。</translation>
    </message>
    <message>
        <source>Reading the shared record…</source>
        <translation>正在读取共享记录…</translation>
    </message>
    <message>
        <source>Connecting to the shared record…</source>
        <translation>正在连接共享记录…</translation>
    </message>
</context>
</TS>
