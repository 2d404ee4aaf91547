#include "JobSummary.h"

#include <QLocale>
#include <QStringList>

namespace {

// The program speaks English: its numbers group thousands with commas.
QString Count(int64_t n)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(static_cast<qlonglong>(n));
}

QString Bytes(int64_t n)
{
    return Count(n) + (n == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes"));
}

QString Address(int32_t a)
{
    return QStringLiteral("0x") + QString::number(a, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

int64_t RangeSize(const JobReport& r)
{
    return r.start <= r.finish ? int64_t{r.finish} - r.start + 1 : 0;
}

// "<what>, <range>, in <seconds>", the range left out when it is empty.
QString Line(const QString& what, const JobReport& r, qint64 ms)
{
    QStringList parts{what};
    if (r.start <= r.finish)
        parts << Address(r.start) + QChar(0x2013) + Address(r.finish);
    parts << QStringLiteral("in %1 s").arg(static_cast<double>(ms) / 1000.0, 0, 'f', 1);
    return parts.join(QStringLiteral(", "));
}

// What a failure's message says first, as it would go on after "failed: ":
// "The chip must be erased first: address ..." gives "the chip must be
// erased first".
QString Headline(const std::string& problem)
{
    QString text = QString::fromStdString(problem);
    for (const QString& end : {QStringLiteral(": "), QStringLiteral(". ")}) {
        const qsizetype at = text.indexOf(end);
        if (at > 0)
            text.truncate(at);
    }
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    // "No port" reads on lower-case; "AT89S52 ..." stays as it is.
    if (text.size() > 1 && text[0].isUpper() && !text[1].isUpper())
        text[0] = text[0].toLower();
    return text;
}

// "<Job> failed: <why>", or only "<Job> failed" when nothing was told.
QString Failed(const char* job, const JobReport& r)
{
    const QString what = QStringLiteral("%1 failed").arg(QLatin1String(job));
    const QString why = Headline(r.problem);
    return why.isEmpty() ? what : what + QStringLiteral(": ") + why;
}

} // namespace

QString JobSummary(JobWindow::Action action, const JobReport& r, qint64 ms)
{
    using Action = JobWindow::Action;
    if (r.succeeded) {
        switch (action) {
        case Action::Write:
            // The others of the range the chip already held.
            return Line(r.skipped == 0 ? QStringLiteral("Written %1").arg(Bytes(r.written))
                                       : QStringLiteral("Written %1 of %2")
                                             .arg(Count(r.written), Bytes(r.written + r.skipped)),
                        r, ms);
        case Action::Read:
            return Line(QStringLiteral("Read %1").arg(Bytes(r.read)), r, ms);
        case Action::Verify:
            return Line(QStringLiteral("Verified %1").arg(Bytes(RangeSize(r))), r, ms);
        case Action::BlankCheck:
            return Line(QStringLiteral("Blank checked %1").arg(Bytes(RangeSize(r))), r, ms);
        }
    }
    if (action == Action::Verify && r.differing > 0)
        return Line(QStringLiteral("Verify: %1 %2, first at %3")
                        .arg(Bytes(r.differing), r.differing == 1 ? QStringLiteral("differs") : QStringLiteral("differ"),
                             Address(r.firstDifference)),
                    r, ms);
    if (action == Action::BlankCheck && r.differing > 0)
        return Line(QStringLiteral("Not blank: %1 holds data").arg(Address(r.firstDifference)), r, ms);
    const char* name = action == Action::Write    ? "Write"
                       : action == Action::Read   ? "Read"
                       : action == Action::Verify ? "Verify"
                                                  : "Blank check";
    // A byte that did not program says more than "Error programming device".
    if (action == Action::Write && r.firstDifference >= 0)
        return Line(QStringLiteral("Write failed: %1 did not take").arg(Address(r.firstDifference)), r, ms);
    return Line(Failed(name, r), r, ms);
}

QString EraseSummary(const JobReport& r, qint64 ms)
{
    if (r.succeeded)
        return Line(QStringLiteral("Erased %1").arg(Bytes(RangeSize(r))), r, ms);
    if (r.firstDifference >= 0)
        return Line(QStringLiteral("Erase failed: %1 not erased").arg(Address(r.firstDifference)), r, ms);
    return Line(Failed("Erase", r), r, ms);
}

QStringList WidestJobSummaries()
{
    JobReport r;
    r.start = 0;
    r.finish = 0x2FFF;
    r.written = 12287;
    r.skipped = 1;
    r.differing = 12287;
    r.firstDifference = 0x2FFF;
    const qint64 slow = 999900;
    QStringList lines{EraseSummary(r, slow)};
    for (const bool succeeded : {true, false}) {
        r.succeeded = succeeded;
        for (const auto action : {JobWindow::Action::Read, JobWindow::Action::Verify, JobWindow::Action::BlankCheck,
                                  JobWindow::Action::Write})
            lines << JobSummary(action, r, slow);
    }
    // The usual reason a write is refused; a longer reason (another chip in
    // the socket, a port that cannot be had) is cut by the port pane.
    r.firstDifference = -1;
    r.problem = "The chip must be erased first: address 2FFF holds 00.";
    lines << JobSummary(JobWindow::Action::Write, r, slow);
    return lines;
}
