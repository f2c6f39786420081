#pragma once

#include "components/form.h"

class QCalendarWidget;
class QPushButton;

// The date dialog: a borderless calendar with "确定" and "取消". Its
// confirmed flag is 1 after "确定" and 0 after "取消" or any other close.
class TFrmRQ : public Form
{
    Q_OBJECT
public:
    explicit TFrmRQ(QWidget *parent = nullptr);

    QCalendarWidget *MonthCalendar1;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;
    int Confirmed = 0;

    void BitBtn1Click();
    void BitBtn2Click();

protected:
    void FormClose() override;

private:
    bool m_confirming = false;
};
