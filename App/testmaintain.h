#pragma once

#include "pagebase.h"

// The TestMaintain page: its fields arrive with the page itself; until then the main
// window can already stack, show and notify it.
class TestMaintain : public PageBase
{
    Q_OBJECT

public:
    explicit TestMaintain(QWidget *parent = nullptr);

    void enterPage() override;
    void refresh(bool force) override;

    // The password is asked again after the page was left.
    void clearPasswordAccepted() { m_passwordAccepted = false; }
    bool passwordAccepted() const { return m_passwordAccepted; }

private:
    bool m_passwordAccepted = false;
};
