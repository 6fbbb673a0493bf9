#include "ui/convertpage.h"

#include "ui/placeholderpage.h"

#include <QVBoxLayout>

CConvertPage::CConvertPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("page_convertList"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new CPlaceholderPage("", this));
    retryThread.SetConvList(&list);
}

CConvertPage::~CConvertPage()
{
    retryThread.Stop();
}

void CConvertPage::NotifyDataSetChanged()
{
    emit dataSetChanged();
}

void CConvertPage::NotifyItemChanged(int row)
{
    emit itemChanged(row);
}
