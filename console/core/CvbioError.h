// The one error type the console core throws; its text is what the standard error box shows.
#pragma once

#include <QString>
#include <stdexcept>

class CvbioError : public std::runtime_error {
public:
    explicit CvbioError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};
