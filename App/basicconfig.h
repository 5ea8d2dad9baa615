#pragma once

#include "parampage.h"

namespace Ui {
class BasicConfig;
}

// The basic configuration page: zero, tare, filter and stability parameters.
// Everything but its form, its range tooltips and its break point is shared page work.
class BasicConfig : public ParamPage
{
    Q_OBJECT

public:
    explicit BasicConfig(QWidget *parent = nullptr);
    ~BasicConfig() override;

    void enterPage() override;
    void adaptWidth(int width) override;

private:
    Ui::BasicConfig *ui;
};
