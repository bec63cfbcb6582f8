// The Surveys page through the window: hiding a survey takes its pixels,
// its stations from find and from picking; a click highlights, a double
// click frames; the filter; every load shows all again. Station marks and
// labels of anonymous and flagged stations, and the open-in-plan option.

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTreeWidget>
#include <QtTest>

#include <cmath>

#include "app/OptionsPanel.h"
#include "app/StationTool.h"
#include "app/SurveyPage.h"
#include "app/core/CaveViews.h"
#include "app/qtest/MainWindowFixture.h"
#include "viewer/ViewProjection.h"

using namespace lumora;

namespace {

bool Yellow(QRgb p) { return qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) < 80; }

// Whether a pixel within `reach` of (x, y) passes `test`.
template <class F>
bool Around(const QImage& image, double x, double y, int reach, F test) {
  for (int dy = -reach; dy <= reach; ++dy)
    for (int dx = -reach; dx <= reach; ++dx) {
      const int px = static_cast<int>(std::lround(x)) + dx, py = static_cast<int>(std::lround(y)) + dy;
      if (image.valid(px, py) && test(image.pixel(px, py))) return true;
    }
  return false;
}

long RedSum(const QImage& image) {
  long sum = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) sum += qRed(image.pixel(x, y));
  return sum;
}

}  // namespace

class SurveyPageTest : public QObject, public TMainWindowFixture {
  Q_OBJECT

  TSurveyPage& Page() { return *form->SurveyPage(); }
  TStationTool& Tool() { return *form->Stations(); }
  const TStationIndex& Index() { return Tool().Index(); }
  // Entries of these surveys well in view with no station of another
  // survey within `apart` pixels.
  std::vector<int> LoneEntries(const std::vector<int>& surveys, double apart) {
    const int n = Index().Count();
    std::vector<TWindowPoint> at(n);
    std::vector<bool> front(n), mine(n);
    for (int i = 0; i < n; ++i) {
      front[i] = Tool().WindowPosition(i, at[i]);
      mine[i] = std::find(surveys.begin(), surveys.end(), Index().Entry(i).Survey) != surveys.end();
    }
    const QRectF inside = QRectF(form->Viewer()->rect()).adjusted(10, 10, -10, -10);
    std::vector<int> out;
    for (int i = 0; i < n; ++i) {
      bool alone = mine[i] && front[i] && inside.contains(at[i].X, at[i].Y);
      for (int j = 0; j < n && alone; ++j)
        alone = mine[j] || !front[j] || std::hypot(at[j].X - at[i].X, at[j].Y - at[i].Y) > apart;
      if (alone) out.push_back(i);
    }
    return out;
  }
  std::vector<int> SurveysOf(const QString& node) {
    std::vector<int> out;
    const std::vector<TSurveyNode> tree = BuildSurveyTree(form->Document().Model);
    for (size_t n = 0; n < tree.size(); ++n)
      if (QString::fromStdString(tree[n].FullName) == node) out = SurveysUnder(tree, static_cast<int>(n));
    return out;
  }
  QPoint ItemPoint(QTreeWidgetItem* item) {
    Page().Tree()->scrollToItem(item);
    return Page().Tree()->visualItemRect(item).center();
  }

 private slots:
  void init() { OpenWindow(); }
  void cleanup() { CloseWindow(); }

  void hidingASurveyTakesItsPixelsFindAndPicking() {
    Load(kDemo);
    QTreeWidget* tree = Page().Tree();
    QCOMPARE(tree->topLevelItemCount(), form->Document().Model.Sections.Count());
    Find<QCheckBox>("WallsChk")->setChecked(false);
    Find<QCheckBox>("StationsChk")->setChecked(true);
    Find<QSpinBox>("PointSizeSpin")->setValue(5);
    Home();
    const std::vector<int> abyss = SurveysOf("The Abyss");
    QVERIFY(!abyss.empty());
    const std::vector<int> lone = LoneEntries(abyss, 10);
    QVERIFY(lone.size() > 3);
    auto shows = [&](int e, const QImage& image) {
      TWindowPoint p;
      Tool().WindowPosition(e, p);
      return Around(image, p.X, p.Y, 1, Yellow);
    };
    QImage image = Render();
    for (int e : lone) QVERIFY(shows(e, image));

    QTreeWidgetItem* item = Page().ItemOf("The Abyss");
    QVERIFY(item);
    item->setCheckState(0, Qt::Unchecked);
    QTRY_VERIFY(!form->Document().SurveyShown(abyss.front()));
    for (int s : abyss) QVERIFY(!form->Document().SurveyShown(s));
    QVERIFY(form->Document().SurveyShown(abyss.back() + 1));
    image = Render();
    for (int e : lone) QVERIFY2(!shows(e, image), qPrintable(QString::fromStdString(Index().Name(e))));
    // Its walls go too, the rest stay.
    Find<QCheckBox>("StationsChk")->setChecked(false);
    Find<QCheckBox>("WallsChk")->setChecked(true);
    const long hidden = RedSum(Render());
    QVERIFY(hidden > 0);
    // Neither found nor picked.
    const int e = lone.front();
    auto* edit = Find<QLineEdit>("FindEdit");
    edit->setText(QString::fromStdString(Index().Name(e)));
    QMetaObject::invokeMethod(edit, "returnPressed");
    QVERIFY(std::find(Tool().Matches().begin(), Tool().Matches().end(), e) == Tool().Matches().end());
    TWindowPoint p;
    Tool().WindowPosition(e, p);
    QVERIFY(!Tool().PickAt(static_cast<int>(std::lround(p.X)), static_cast<int>(std::lround(p.Y)), false) ||
            Tool().Selected() != e);

    item->setCheckState(0, Qt::Checked);
    QTRY_VERIFY(form->Document().AllSurveysShown());
    QVERIFY(RedSum(Render()) > hidden);
    QVERIFY(Tool().PickAt(static_cast<int>(std::lround(p.X)), static_cast<int>(std::lround(p.Y)), false));
    QCOMPARE(Tool().Selected(), e);
  }

  void clickHighlightsAndDoubleClickFrames() {
    Load(kDemo);
    Home();
    const long plain = RedSum(Render());
    QTreeWidgetItem* item = Page().ItemOf("North Branch");
    QVERIFY(item);
    QTest::mouseClick(Page().Tree()->viewport(), Qt::LeftButton, {}, ItemPoint(item));
    const std::vector<int> north = SurveysOf("North Branch");
    for (int s = 0; s < form->Document().Model.Surveys.Count(); ++s)
      QCOMPARE(!Dimmed(form->Document().HighlightedSurveys, s),
               std::find(north.begin(), north.end(), s) != north.end());
    const long highlighted = RedSum(Render());
    QVERIFY2(highlighted < plain * 0.8, qPrintable(QString("%1 of %2").arg(highlighted).arg(plain)));
    QVERIFY(highlighted > plain * 0.1);
    // A second click, not a double click, ends the highlight.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseClick(Page().Tree()->viewport(), Qt::LeftButton, {}, ItemPoint(item));
    QVERIFY(form->Document().HighlightedSurveys.empty());
    QCOMPARE(RedSum(Render()), plain);

    // Double click: the survey's stations fill the view within the margin.
    QTest::mouseDClick(Page().Tree()->viewport(), Qt::LeftButton, {}, ItemPoint(item));
    Render();
    const double w = form->Viewer()->width(), h = form->Viewer()->height(), m = TStationTool::kFrameMargin;
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    for (int i = 0; i < Index().Count(); ++i) {
      if (std::find(north.begin(), north.end(), Index().Entry(i).Survey) == north.end()) continue;
      TWindowPoint p;
      QVERIFY(Tool().WindowPosition(i, p));
      minX = std::min(minX, p.X), maxX = std::max(maxX, p.X), minY = std::min(minY, p.Y), maxY = std::max(maxY, p.Y);
    }
    QVERIFY(minX >= m * w - 1 && maxX <= w - m * w + 1 && minY >= m * h - 1 && maxY <= h - m * h + 1);
    QVERIFY(maxX - minX > 0.4 * w || maxY - minY > 0.4 * h);
  }

  void filterAndEveryLoadShowsAll() {
    Load(kDemo);
    QTreeWidget* tree = Page().Tree();
    Page().Filter()->setText("ABYSS");
    int visible = 0;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) visible += !tree->topLevelItem(i)->isHidden();
    QCOMPARE(visible, 1);
    QVERIFY(!Page().ItemOf("The Abyss")->isHidden());
    Page().Filter()->clear();
    QVERIFY(!Page().ItemOf("North Branch")->isHidden());

    Page().ItemOf("The Abyss")->setCheckState(0, Qt::Unchecked);
    QApplication::processEvents();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, ItemPoint(Page().ItemOf("North Branch")));
    QVERIFY(!form->Document().AllSurveysShown() && !form->Document().HighlightedSurveys.empty());
    Load(kDemo);
    QVERIFY(form->Document().AllSurveysShown());
    QVERIFY(form->Document().HighlightedSurveys.empty());
    QCOMPARE(Page().ItemOf("The Abyss")->checkState(0), Qt::Checked);
  }

  void anonymousStationsOnlyWhenAsked() {
    // The middle record has no name.
    const QString file = temp.filePath("anon.plt");
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(
        "Z 0 100 0 100 -50 10\r\nSMain\r\nNS1 D 1 1 2000\r\nM 0 0 0 Sa P 1 1 1 1\r\nD 0 10 0 P 1 1 1 1\r\n"
        "D 0 20 0 Sc P 1 1 1 1\r\nX 0 0 0 0 0 0\r\n");
    f.close();
    Load(file);
    QCOMPARE(form->Scene().Stations->Points.Count(), 2);
    QCOMPARE(form->Scene().Labels->StringCount(), 2);
    Find<QCheckBox>("LabelAnonChk")->setChecked(true);
    QCOMPARE(form->Scene().Stations->Points.Count(), 3);
    QCOMPARE(form->Scene().Labels->StringCount(), 3);
    Find<QCheckBox>("LabelAnonChk")->setChecked(false);
    QCOMPARE(form->Scene().Labels->StringCount(), 2);
  }

  void entrancesMarkedInTheirColour() {
    if (QProcess::execute("sh", {"-c", "command -v cavern > /dev/null"}) != 0) QSKIP("no Survex cavern");
    QVERIFY(QProcess::execute("cavern", {"-q", "-o", temp.path() + "/",
                                         LUMORA_SOURCE_DIR "/model/tests/data/survex/names.svx"}) == 0);
    Load(temp.filePath("names.3d"));
    Find<QCheckBox>("WallsChk")->setChecked(false);
    Find<QCheckBox>("StationsChk")->setChecked(true);
    Find<QSpinBox>("PointSizeSpin")->setValue(4);
    const std::vector<int> entrance = Index().FindExact("leckmasongill.rumblinghole.entrance");
    QCOMPARE(entrance.size(), size_t(1));
    TWindowPoint p;
    QVERIFY(Tool().WindowPosition(entrance[0], p));
    QVERIFY(Around(Render(), p.X, p.Y, 1, Yellow));
    Find<QGroupBox>("EntranceChk")->setChecked(true);
    QVERIFY(Around(Render(), p.X, p.Y, 1, IsGreen));
    QVERIFY(!Around(Render(), p.X, p.Y, 1, Yellow));
  }

  void openInPlanFittedIsKept() {
    QString title;
    OnNextDialog(
        [](QWidget* d) {
          d->findChild<QCheckBox*>("OpenInPlanChk")->setChecked(true);
          Press(d, "OK");
        },
        &title);
    Find<QAction>("SettingsMnu")->trigger();
    QVERIFY(form->OpenInPlan());
    Load(kDemo);
    QVERIFY(std::abs(std::abs(ViewTilt(Cave())) - 90) < 0.5);
    // Kept for the next window.
    CloseWindow();
    OpenWindow();
    QVERIFY(form->OpenInPlan());
  }
};

QTEST_MAIN(SurveyPageTest)
#include "survey_page_test.moc"
