#pragma once

#include <QString>

// What the user reads when a command fails. Messages of the database
// engine and of the data layer are English; every box the program shows is
// Chinese. errorText() puts a Chinese sentence that says what went wrong
// first and keeps the technical message on a second line, for whoever
// helps the household find the cause. A message that is already Chinese is
// returned as it is. Never fails.
QString errorText(const QString &message);

// The Chinese sentence alone (without the technical line) for message, or
// an empty text when message is already Chinese.
QString errorSummary(const QString &message);
