#pragma once

class TestMaintain;

// Plugs the parameter import and export into the test page's buttons: the page
// owns one spreadsheet object for its whole life, and after each run shows what
// became of the rows beside the path link.
void ConnectParamFiles(TestMaintain *page);
