#pragma once

#include "parampage.h"

namespace Ui {
class Application;
}

// The application I/O page: discrete inputs, discrete outputs and the four preset
// points, one tab each. Only the tab last clicked is polled and refreshed; combo
// boxes commit only while armed.
class Application : public ParamPage
{
    Q_OBJECT

public:
    explicit Application(QWidget *parent = nullptr);
    ~Application() override;

    void enterPage() override;
    void adaptWidth(int width) override;

private slots:
    void on_tabWidget_tabBarClicked(int index);

private:
    Ui::Application *ui;
};
