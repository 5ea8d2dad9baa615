#include "testmaintain.h"

TestMaintain::TestMaintain(QWidget *parent) : PageBase(parent)
{
    setObjectName(QStringLiteral("TestMaintain"));
}

void TestMaintain::enterPage()
{
    refresh(true);
}

void TestMaintain::refresh(bool) {}
