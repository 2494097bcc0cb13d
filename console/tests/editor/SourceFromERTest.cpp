// Enrolment from the local sensor: the real libminutix.so loaded with dlopen, the simulated
// IZZIX sensor reading the committed sample fingerprints.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>
#include <random>

#include "Controls.h"
#include "Dataset.h"
#include "EditorSupport.h"
#include "Fingeredit.h"
#include "QueryOps.h"
#include "Sourcefromer.h"
#include "SysLib.h"

namespace {

const char* const kEntryPoints[] = {"MX_Initialize",    "MX_Uninitialize", "MX_Enroll",
                                    "MX_Draw",          "MX_Capture",      "MX_Clear",
                                    "MX_RotateTemplate"};

// The names the built library lacks (all of them when it cannot be loaded).
QStringList MissingEntryPoints() {
    QStringList missing;
    void* library = dlopen(MINUTIX_PATH, RTLD_NOW | RTLD_LOCAL);
    for (const char* name : kEntryPoints)
        if (!library || !dlsym(library, name)) missing << name;
    if (library) dlclose(library);
    return missing;
}

const QString kWaiting[] = {"等待指紋輸入", "Wait Input..."};

bool CaptureEnded(TfrmSourceFromER* window) {
    const QString text = window->pnlStatus->text();
    // Empty until the first tick when no language file translates the designed text.
    return !text.isEmpty() && text != kWaiting[0] && text != kWaiting[1];
}

QColor StatusColour(TfrmSourceFromER* window) {
    return window->pnlStatus->palette().color(QPalette::Window);
}

bool HasRedPixel(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 100 && c.blue() < 150) return true;
        }
    return false;
}

class SensorEnrolment : public EditorTestBase, public ::testing::Test {
  protected:
    void SetUp() override {
        unsetenv("IZZIX_SIM_DIR");
        unsetenv("IZZIX_SIM_NOFINGER");
        setenv("IZZIX_SIM_EMPTY_FRAMES", "2", 1);
        Install(TestEngine::SQLite, {.selectSource = 0});
        ASSERT_FALSE(HasFatalFailure());
        AddHolder("A01", "Alice");
        editor_ = std::make_unique<TfrmFingerEdit>();
        editor_->show();
        editor_->btnEdit->click();
    }
    void TearDown() override {
        TfrmSourceFromER::LibraryFileName = "libminutix.so";
        editor_.reset();
        Uninstall();
        unsetenv("IZZIX_SIM_DIR");
        unsetenv("IZZIX_SIM_NOFINGER");
    }
    void RequireLibrary() {
        const QStringList missing = MissingEntryPoints();
        if (!missing.isEmpty())
            GTEST_SKIP() << "libminutix.so lacks " << missing.join(", ").toStdString();
    }
    // A folder whose "next" file makes the simulated sensor deliver `image`.
    void PlaceFinger(const QString& image) {
        QFile next(fingers_.path() + "/next");
        ASSERT_TRUE(next.open(QIODevice::WriteOnly | QIODevice::Truncate));
        next.write(QDir(SampleFingerDir()).absoluteFilePath(image).toUtf8() + "\n");
        next.close();
        setenv("IZZIX_SIM_DIR", fingers_.path().toUtf8().constData(), 1);
    }
    // Opens the window from slot 1 and runs `step` once the first capture has ended.
    void EnrolSlotOne(const std::function<void(TfrmSourceFromER*)>& step) {
        bool opened = false;
        WhenModal<TfrmSourceFromER>(
            editor_.get(),
            [&](TfrmSourceFromER* window) {
                opened = true;
                step(window);
                if (window->isVisible()) window->btnCancel->click();
            },
            CaptureEnded);
        emit editor_->imgFinger[1]->clicked();
        ASSERT_TRUE(opened);
    }

    std::unique_ptr<TfrmFingerEdit> editor_;
    QTemporaryDir fingers_;
};

struct MissingLibraryCase {
    const char* name;
    const char* fileName;
    bool loads;
};

void PrintTo(const MissingLibraryCase& c, std::ostream* os) {
    *os << c.name;
}

class MissingLibrary : public SensorEnrolment,
                       public ::testing::WithParamInterface<MissingLibraryCase> {};

TEST_P(MissingLibrary, ShowsTheScannerNotConnectedAndCallsNothing) {
    TfrmSourceFromER::LibraryFileName = GetParam().fileName;
    PlaceFinger("1_1.pgm");
    EnrolSlotOne([&](TfrmSourceFromER* window) {
        EXPECT_EQ(window->LibraryLoaded(), GetParam().loads);
        EXPECT_FALSE(window->EntryPointsBound());
        EXPECT_EQ(window->pnlStatus->text(), "The Scanner Not Connected!");
        EXPECT_FALSE(window->btnOK->isEnabled());
        window->btnReInput->click();
        EXPECT_EQ(window->pnlStatus->text(), "The Scanner Not Connected!");
    });
    EXPECT_FALSE(editor_->TemplateChanged(1));
    EXPECT_FALSE(editor_->Modified());
}

const MissingLibraryCase kMissingLibraryCases[] = {
    {"NoSuchFile", "libminutix-absent.so", false},
    {"LibraryWithoutTheEntryPoints", "libz.so.1", true},
};

INSTANTIATE_TEST_SUITE_P(Cases, MissingLibrary, ::testing::ValuesIn(kMissingLibraryCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SensorEnrolment, WithoutASensorTheScannerIsNotConnected) {
    RequireLibrary();
    EnrolSlotOne([](TfrmSourceFromER* window) {
        EXPECT_TRUE(window->EntryPointsBound());
        EXPECT_EQ(window->pnlStatus->text(), "The Scanner Not Connected!");
        EXPECT_FALSE(window->btnOK->isEnabled());
    });
    EXPECT_FALSE(editor_->TemplateChanged(1));
}

TEST_F(SensorEnrolment, NoFingerWithinTheCaptureTimeIsATimeOut) {
    RequireLibrary();
    PlaceFinger("1_1.pgm");
    setenv("IZZIX_SIM_NOFINGER", "1", 1);
    EnrolSlotOne([](TfrmSourceFromER* window) {
        EXPECT_EQ(window->pnlStatus->text(), "Input TimeOut!");
        EXPECT_GT(StatusColour(window).red(), 150);
        EXPECT_FALSE(window->btnOK->isEnabled());
    });
}

TEST_F(SensorEnrolment, APoorImageIsRefused) {
    RequireLibrary();
    // Noise passes the presence test but holds no ridges.
    QImage noise(280, 320, QImage::Format_Grayscale8);
    std::mt19937 random(5);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x) noise.scanLine(y)[x] = random() % 256;
    ASSERT_TRUE(noise.save(fingers_.path() + "/noise.png"));
    setenv("IZZIX_SIM_DIR", fingers_.path().toUtf8().constData(), 1);
    EnrolSlotOne([](TfrmSourceFromER* window) {
        EXPECT_TRUE(window->pnlStatus->text() == "Not Good Finger!" ||
                    window->pnlStatus->text() == "Input Failure!")
            << window->pnlStatus->text().toStdString();
        EXPECT_GT(StatusColour(window).red(), 150);
        EXPECT_FALSE(window->btnOK->isEnabled());
    });
    EXPECT_FALSE(editor_->TemplateChanged(1));
}

TEST_F(SensorEnrolment, AFingerWithoutACoreIsAFailure) {
    RequireLibrary();
    PlaceFinger("1_1.pgm");  // an arch: no core for the core check
    EnrolSlotOne([](TfrmSourceFromER* window) {
        EXPECT_EQ(window->pnlStatus->text(), "Input Failure!");
        EXPECT_GT(StatusColour(window).red(), 150);
        EXPECT_FALSE(window->btnOK->isEnabled());
    });
    EXPECT_FALSE(editor_->TemplateChanged(1));
}

TEST_F(SensorEnrolment, OkHandsTheLastGoodCaptureAndThePanelPictureToTheSlot) {
    RequireLibrary();
    PlaceFinger("2_1.pgm");
    QString handed;
    EnrolSlotOne([&](TfrmSourceFromER* window) {
        ASSERT_EQ(window->pnlStatus->text(), "Input Success!");
        EXPECT_TRUE(window->btnOK->isEnabled());
        const QByteArray first(reinterpret_cast<const char*>(window->TemplateBuffer()), 384);

        // A failed re-capture takes the earlier template away.
        setenv("IZZIX_SIM_NOFINGER", "1", 1);
        window->btnReInput->click();
        EXPECT_EQ(window->pnlStatus->text(), "Input TimeOut!");
        EXPECT_FALSE(window->btnOK->isEnabled());

        unsetenv("IZZIX_SIM_NOFINGER");
        PlaceFinger("3_1.pgm");
        window->btnReInput->click();
        ASSERT_EQ(window->pnlStatus->text(), "Input Success!");
        EXPECT_NE(QByteArray(reinterpret_cast<const char*>(window->TemplateBuffer()), 384), first);
        EXPECT_TRUE(HasRedPixel(window->pnlFinger->grab().toImage())) << "the core cross";
        window->btnOK->click();
        handed = TemplateText(window->TemplateBuffer(), 384);  // rotated in place by OK
    });
    EXPECT_TRUE(editor_->TemplateChanged(1));
    EXPECT_TRUE(editor_->Modified());
    EXPECT_EQ(editor_->SlotTemplate(1), handed);
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]{768}$").match(editor_->SlotTemplate(1)).hasMatch());
    const QImage picture = editor_->imgFinger[1]->picture();
    EXPECT_EQ(picture.size(), QSize(140, 154));
    EXPECT_TRUE(HasRedPixel(picture));
    EXPECT_EQ(editor_->labFingerNo[1]->text(), "1");

    editor_->btnOk->click();
    EXPECT_EQ(Text("Select * From FingerData Where FingerNo=1", "FingerTemplate"), handed);
    TADOQuery q(&frmSysLib->adcMain);
    OpenSql(q, "Select * From FingerData Where FingerNo=1");
    EXPECT_TRUE(q.FieldBytes("FingerPicture").startsWith("\xFF\xD8")) << "stored as JPEG";
}

}  // namespace
