#pragma once

#include "JobFeedback.h"

#include <QtGlobal>

#include <string_view>

class QWidget;

// A job's message box, with the error icon for an "ERROR" caption. Returns
// how long it waited for the user, in milliseconds: no part of the job's time.
qint64 ShowJobMessage(QWidget* owner, std::string_view text, std::string_view caption, JobFeedback::Buttons buttons);
