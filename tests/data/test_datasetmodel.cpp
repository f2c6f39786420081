// The item-model adapter of a dataset: structure checks by Qt's model tester
// through every dataset operation, and what the model shows at each step.
#include "data/datasetmodel.h"
#include "data/dberror.h"
#include "support/scriptedplatform.h"
#include "support/testdb.h"

#include <QAbstractItemModelTester>
#include <QPersistentModelIndex>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

// Collects what QAbstractItemModelTester reports; in Warning mode every
// failed check becomes a warning of the "qt.modeltest" category.
class ModelTestLog
{
public:
    ModelTestLog()
    {
        s_messages.clear();
        m_previous = qInstallMessageHandler(&ModelTestLog::handler);
    }
    ~ModelTestLog() { qInstallMessageHandler(m_previous); }
    QStringList messages() const { return s_messages; }

private:
    static void handler(QtMsgType, const QMessageLogContext &context, const QString &message)
    {
        if (context.category && QByteArray(context.category) == "qt.modeltest")
            s_messages.append(message);
    }
    static inline QStringList s_messages;
    QtMessageHandler m_previous = nullptr;
};

class DatasetModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QList<std::pair<const char *, double>> rows = {{"餐饮", 30}, {"交通", 10}, {"居住", 20}};
        int day = 1;
        for (const auto &[item, amount] : rows)
            db.exec(QStringLiteral("insert into szzb (rq,lx,xm,zc) values (#2026-3-%1#,'支出','%2',%3)")
                        .arg(day++)
                        .arg(QString::fromUtf8(item))
                        .arg(amount));
        ledger = std::make_unique<Dataset>(db.connection());
        ledger->addSql(QStringLiteral("select * from szzb"));
    }

    // The model's rows as "item amount" texts, read through the model.
    static QStringList shown(const QAbstractItemModel &model)
    {
        QStringList result;
        for (int r = 0; r < model.rowCount(); ++r)
            result.append(model.index(r, 0).data().toString() + QLatin1Char(' ') + model.index(r, 1).data().toString());
        return result;
    }

    TempDatabase db;
    std::unique_ptr<Dataset> ledger;
};

} // namespace

TEST_F(DatasetModelTest, PassesTheModelTesterThroughEveryOperation)
{
    ModelTestLog log;
    DatasetModel model(ledger.get(), nullptr);
    model.setColumnFields({QStringLiteral("xm"), QStringLiteral("zc"), QStringLiteral("rq")});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy layouts(&model, &QAbstractItemModel::layoutChanged);

    EXPECT_EQ(model.rowCount(), 0); // closed
    EXPECT_EQ(model.columnCount(), 3);

    ledger->open();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(shown(model), (QStringList{"餐饮 30", "交通 10", "居住 20"}));
    EXPECT_EQ(model.index(0, 2).data().toString(), QStringLiteral("2026-03-01"));

    ledger->append();
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 3);
    EXPECT_EQ(model.rowCount(), 4); // the row being inserted counts
    ledger->setValue(QStringLiteral("xm"), QStringLiteral("医疗"));
    ledger->setValue(QStringLiteral("zc"), 5);
    EXPECT_EQ(model.index(3, 0).data().toString(), QStringLiteral("医疗"));
    EXPECT_GE(changed.count(), 2);
    ledger->post();
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(shown(model).last(), QStringLiteral("医疗 5"));

    ledger->append();
    ledger->cancel();
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(model.rowCount(), 4);

    ledger->moveTo(1);
    ledger->edit();
    ledger->setValue(QStringLiteral("zc"), 11);
    EXPECT_EQ(model.index(1, 1).data().toString(), QStringLiteral("11")); // the pending value shows
    ledger->cancel();
    EXPECT_EQ(model.index(1, 1).data().toString(), QStringLiteral("10"));

    ledger->remove(); // 交通
    EXPECT_EQ(removed.count(), 2);
    EXPECT_EQ(shown(model), (QStringList{"餐饮 30", "居住 20", "医疗 5"}));

    model.sort(1, Qt::AscendingOrder);
    EXPECT_EQ(layouts.count(), 1);
    EXPECT_EQ(shown(model), (QStringList{"医疗 5", "居住 20", "餐饮 30"}));
    model.sort(1, Qt::DescendingOrder);
    EXPECT_EQ(shown(model), (QStringList{"餐饮 30", "居住 20", "医疗 5"}));

    ledger->requery(QStringLiteral("select * from szzb"), QStringLiteral("where zc>=20"));
    EXPECT_EQ(shown(model), (QStringList{"餐饮 30", "居住 20"}));

    ledger->close();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 3); // the columns stay for the headers
    ledger->open();                    // the re-queried statement again
    EXPECT_EQ(resets.count(), 5);
    EXPECT_EQ(shown(model), (QStringList{"餐饮 30", "居住 20"}));

    EXPECT_TRUE(log.messages().isEmpty()) << log.messages().join(QLatin1Char('\n')).toStdString();
}

TEST_F(DatasetModelTest, ColumnsRolesAndTitles)
{
    ledger->open();
    DatasetModel model(ledger.get(), nullptr);
    EXPECT_EQ(model.columnCount(), ledger->fieldCount()); // no list: every field
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("zbid"));

    model.setColumnFields({QStringLiteral("ZC"), QStringLiteral("nosuch"), QStringLiteral("bz")});
    EXPECT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.fieldOfColumn(0), ledger->fieldIndex(QStringLiteral("zc"))); // names ignore case
    EXPECT_EQ(model.fieldOfColumn(1), -1);
    EXPECT_EQ(model.columnOfField(ledger->fieldIndex(QStringLiteral("bz"))), 2);
    EXPECT_FALSE(model.index(0, 1).data().isValid());

    // display is the dataset's text, edit its value; Null shows as ""
    EXPECT_EQ(model.index(0, 0).data(Qt::DisplayRole), QVariant(QStringLiteral("30")));
    EXPECT_EQ(model.index(0, 0).data(Qt::EditRole).typeId(), QMetaType::Double);
    EXPECT_EQ(model.index(0, 2).data(Qt::DisplayRole).toString(), QString());
    EXPECT_TRUE(model.index(0, 2).data(Qt::EditRole).isNull());
    EXPECT_FALSE(model.index(0, 0).data(Qt::DecorationRole).isValid());

    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("nosuch"));
    EXPECT_TRUE(model.setHeaderData(0, Qt::Horizontal, QStringLiteral("支出")));
    EXPECT_FALSE(model.setHeaderData(5, Qt::Horizontal, QStringLiteral("x")));
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("支出"));
    EXPECT_EQ(model.headerData(2, Qt::Vertical).toInt(), 3);

    // fields are looked up again on each open: a result without bz leaves it empty
    ledger->requery(QStringLiteral("select zbid, zc from szzb"));
    EXPECT_EQ(model.fieldOfColumn(2), -1);
    EXPECT_EQ(model.index(0, 0).data().toString(), QStringLiteral("30"));
    ledger->close();
    EXPECT_EQ(model.fieldOfColumn(0), -1);

    model.setColumnFields({});
    EXPECT_EQ(model.columnCount(), 0); // every field of nothing
}

TEST_F(DatasetModelTest, SortingKeepsTheCurrentRowsIndexes)
{
    ledger->open();
    DatasetModel model(ledger.get(), nullptr);
    model.setColumnFields({QStringLiteral("xm"), QStringLiteral("zc")});
    ledger->moveTo(0); // 餐饮 30
    const QPersistentModelIndex current(model.index(0, 1));
    model.sort(1, Qt::AscendingOrder);
    EXPECT_EQ(ledger->currentRow(), 2);
    EXPECT_EQ(ledger->asString(QStringLiteral("xm")), QStringLiteral("餐饮"));
    EXPECT_EQ(current.row(), 2); // a view's current index moves with the row
    EXPECT_EQ(current.data().toString(), QStringLiteral("30"));
    model.sort(0, Qt::AscendingOrder); // texts in pinyin order: 餐饮 交通 居住
    EXPECT_EQ(shown(model), (QStringList{"餐饮 30", "交通 10", "居住 20"}));
    EXPECT_EQ(current.row(), 0);

    // every persistent index moves with its row, not only the current one
    const QPersistentModelIndex other(model.index(1, 0)); // 交通
    model.sort(1, Qt::DescendingOrder);
    EXPECT_EQ(shown(model), (QStringList{"餐饮 30", "居住 20", "交通 10"}));
    EXPECT_EQ(other.row(), 2);
    EXPECT_EQ(other.data().toString(), QStringLiteral("交通"));
    model.sort(0, Qt::AscendingOrder);

    // a pending row is posted first; a failing post leaves the order as it
    // was and ends in the general error box: nothing is thrown back into Qt
    ScriptedPlatform scripted;
    ledger->moveTo(1);
    ledger->edit();
    ledger->setValue(QStringLiteral("xm"), QString(51, QLatin1Char('x')));
    EXPECT_NO_THROW(model.sort(1, Qt::DescendingOrder));
    EXPECT_EQ(scripted.errors().size(), 1);
    ledger->cancel();
    EXPECT_EQ(shown(model), (QStringList{"餐饮 30", "交通 10", "居住 20"}));
}

TEST_F(DatasetModelTest, ADatasetDestroyedFirstLeavesAnEmptyModel)
{
    ledger->open();
    DatasetModel model(ledger.get(), nullptr);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    ledger.reset();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.dataset(), nullptr);
    EXPECT_FALSE(model.index(0, 0).isValid());
}
