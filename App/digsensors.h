#pragma once

#include "pagebase.h"

// The DigSensors page: its fields arrive with the page itself; until then the main
// window can already stack, show and notify it.
class DigSensors : public PageBase
{
    Q_OBJECT

public:
    explicit DigSensors(QWidget *parent = nullptr);

    void enterPage() override;
    void refresh(bool force) override;
};
