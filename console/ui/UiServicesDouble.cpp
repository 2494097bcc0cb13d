#include "UiServicesDouble.h"

QStringList UiServicesDouble::Texts(Kind kind) const {
    QStringList texts;
    for (const Shown& s : shown_)
        if (s.kind == kind) texts << s.text;
    return texts;
}

QStringList UiServicesDouble::AllTexts() const {
    QStringList texts;
    for (const Shown& s : shown_)
        if (s.kind == Kind::Info || s.kind == Kind::OkCancel || s.kind == Kind::YesNo ||
            s.kind == Kind::Error)
            texts << s.text;
    return texts;
}

int UiServicesDouble::MessageBox(const QString& title, const QString& text, Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            shown_.push_back({Kind::Info, title, text});
            return 1;
        case Buttons::OkCancel:
            shown_.push_back({Kind::OkCancel, title, text});
            return answers_.isEmpty() ? 2 : answers_.dequeue();
        case Buttons::YesNo:
            shown_.push_back({Kind::YesNo, title, text});
            return answers_.isEmpty() ? 7 : answers_.dequeue();
    }
    return 2;
}

void UiServicesDouble::ErrorBox(const QString& title, const QString& text) {
    shown_.push_back({Kind::Error, title, text});
}

QString UiServicesDouble::OpenFileName(const QString& filter, const QString&) {
    shown_.push_back({Kind::OpenFile, QString(), filter});
    return fileNames_.isEmpty() ? QString() : fileNames_.dequeue();
}

QString UiServicesDouble::SaveFileName(const QString& filter, const QString&) {
    shown_.push_back({Kind::SaveFile, QString(), filter});
    return fileNames_.isEmpty() ? QString() : fileNames_.dequeue();
}

void UiServicesDouble::Beep(int frequencyHz, int durationMs) {
    shown_.push_back({Kind::Beep, QString(), QString("%1,%2").arg(frequencyHz).arg(durationMs)});
}

ScopedUiDouble::ScopedUiDouble() {
    auto services = std::make_unique<UiServicesDouble>();
    double_ = services.get();
    previous_ = SetUiServices(std::move(services));
}

ScopedUiDouble::~ScopedUiDouble() {
    SetUiServices(std::move(previous_));
}
