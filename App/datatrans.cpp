#include "datatrans.h"

#include <QDebug>

DataTrans::DataTrans(QWidget *parent) : PageBase(parent)
{
    setObjectName(QStringLiteral("DataTrans"));
}

void DataTrans::enterPage()
{
    qDebug() << "Into Data Tran-------------";
    refresh(true);
}

void DataTrans::refresh(bool) {}
