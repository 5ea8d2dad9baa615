#include "application.h"

#include <QDebug>

Application::Application(QWidget *parent) : PageBase(parent)
{
    setObjectName(QStringLiteral("Application"));
}

void Application::enterPage()
{
    qDebug() << "Into Application-------------";
    refresh(true);
}

void Application::refresh(bool) {}
