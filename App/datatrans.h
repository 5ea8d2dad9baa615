#pragma once

#include "pagebase.h"

// The DataTrans page: its fields arrive with the page itself; until then the main
// window can already stack, show and notify it.
class DataTrans : public PageBase
{
    Q_OBJECT

public:
    explicit DataTrans(QWidget *parent = nullptr);

    void enterPage() override;
    void refresh(bool force) override;
};
