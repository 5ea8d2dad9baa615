#pragma once

#include "pagebase.h"

// The Application page: its fields arrive with the page itself; until then the main
// window can already stack, show and notify it.
class Application : public PageBase
{
    Q_OBJECT

public:
    explicit Application(QWidget *parent = nullptr);

    void enterPage() override;
    void refresh(bool force) override;
};
