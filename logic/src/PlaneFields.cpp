#include "logic/PlaneFields.h"

#include "logic/NumberText.h"
#include "textrec/exchange_files.h"
#include "textrec/textrec.h"

#include <QRegularExpression>

#include <cmath>
#include <optional>

namespace planefields {

namespace planes = textrec::planes;

namespace {

QString cm(double value) {
    return QString::fromStdString(textrec::plainNumber(value));
}

// One number as the whole entry; nothing for anything else (also "1e999").
std::optional<double> wholeNumber(const QString& text) {
    const std::optional<double> value = textrec::readWholeNumber(numbertext::asciiBytes(text));
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

QString positionName(planes::Position position) {
    return position == planes::Position::Lying ? QStringLiteral("臥位") : QStringLiteral("立位");
}

// Why the phantom needs its centre that high: half its thickness lying, half
// its length standing.
QString phantomHalf(planes::Position position) {
    return position == planes::Position::Lying ? QStringLiteral("厚さ 20 cm の半分")
                                               : QStringLiteral("長さ 60 cm の半分");
}

QString quotedField(Field field) {
    return QStringLiteral("「%1」").arg(fieldName(field));
}

} // namespace

QString fieldName(Field field) {
    switch (field) {
    case Field::None:
        break;
    case Field::CentreHeight:
        return QStringLiteral("患者中心の高さ（床上）");
    case Field::Heights:
        return QStringLiteral("マップする高さ（床上）");
    case Field::Tube:
        return QStringLiteral("Ｘ線管の位置");
    case Field::ResultName:
        return QStringLiteral("結果保存ファイル名");
    }
    return {};
}

HeightList readHeightList(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[,，、\\s\\x{3000}]+"));
    HeightList list;
    for (const QString& entry : text.split(separators, Qt::SkipEmptyParts)) {
        const std::optional<double> height = wholeNumber(entry);
        if (!height) {
            list.notANumber = entry;
            return list;
        }
        list.heights.push_back(*height);
    }
    return list;
}

FieldNames windowFieldNames() {
    return {quotedField(Field::CentreHeight),
            quotedField(Field::Heights),
            quotedField(Field::Tube),
            quotedField(Field::ResultName),
            QStringLiteral("焦点-入射表面間距離（FSD）"),
            QStringLiteral("臥位")};
}

Refusal refusalOf(const planes::Check& check, bool centreCheck, const planes::PlaneRequest& request,
                  planes::Position position, double focusSkinDistance, const FieldNames& names) {
    const QString& centre = names.centreHeight;
    const QString& heights = names.heights;
    const QString value = cm(check.value);
    switch (check.problem) {
    case planes::Problem::None:
        break;
    case planes::Problem::NotANumber:
        return {Field::Heights, QStringLiteral("%1には数値を入力して下さい。").arg(heights)};
    case planes::Problem::NotWhole:
        // The centre is checked on its own before the heights (readPlanes).
        if (centreCheck)
            return {
                Field::CentreHeight,
                QStringLiteral("%1は cm 単位の整数で入力して下さい（%2）。").arg(centre, value)};
        return {Field::Heights, QStringLiteral("%1の %2 cm は整数ではありません。\n"
                                               "高さは cm 単位の整数で入力して下さい。")
                                    .arg(heights, value)};
    case planes::Problem::CentreTooLow:
        return {Field::CentreHeight,
                QStringLiteral("%1が %2 cm では、ファントムが床より下に出ます。\n"
                               "%3では、ファントムの%4の %5 cm 以上にして下さい。")
                    .arg(centre, value, positionName(position), phantomHalf(position),
                         cm(planes::minCentreHeight(position)))};
    case planes::Problem::CentreTooHigh:
        return {Field::CentreHeight, QStringLiteral("%1は %2 cm 以下にして下さい（%3 cm）。")
                                         .arg(centre, cm(planes::maxCentreHeight), value)};
    case planes::Problem::BelowFloor:
        return {Field::Heights,
                QStringLiteral("%1の %2 cm は床（0 cm）より下です。").arg(heights, value)};
    case planes::Problem::TooFarFromCentre:
        return {Field::Heights,
                QStringLiteral("%1の %2 cm は、患者中心（床上 %3 cm）から %4 cm 離れています。\n"
                               "マップできるのは、患者中心から上下 %5 cm までの面です。")
                    .arg(heights, value, cm(request.centreHeight),
                         cm(std::fabs(check.value - request.centreHeight)),
                         cm(planes::maxPlaneDistance))};
    case planes::Problem::TooManyHeights:
        return {Field::Heights, QStringLiteral("%1に %2 個の高さがあります。"
                                               "マップできる高さは %3 個までです。")
                                    .arg(heights, value)
                                    .arg(planes::maxHeights)};
    case planes::Problem::RepeatedHeight:
        return {Field::Heights, QStringLiteral("%1に %2 cm が２度あります。").arg(heights, value)};
    case planes::Problem::TubeBelowStanding:
        return {
            Field::Tube,
            QStringLiteral("%1を寝台の下にできるのは%2だけです。").arg(names.tube, names.lying)};
    case planes::Problem::FocusBelowFloor:
        return {Field::Tube,
                QStringLiteral("%1が寝台の下では、焦点が床より %2 cm 下になります\n"
                               "（患者中心の高さ %3 cm − ファントムの厚さの半分 10 cm − "
                               "FSD %4 cm）。\n"
                               "%5を上げるか、%6を短くして下さい。")
                    .arg(names.tube, cm(-check.value), cm(request.centreHeight),
                         cm(focusSkinDistance), centre, names.focusSkinDistance)};
    case planes::Problem::NameTooLong:
        return {Field::ResultName,
                QStringLiteral("%1が長すぎます。\n"
                               "この計算が書く結果ファイルのうち最も長い「%2」は %3 バイトです。\n"
                               "結果の表示と補正で読めるファイル名は %4 バイト（半角 %4 文字）"
                               "までです。\n"
                               "%1を短くするか、マップする面を減らして下さい。")
                    .arg(names.resultName, QString::fromLocal8Bit(check.name), value)
                    .arg(textrec::exchange::resultNameLength)};
    }
    return {};
}

PlaneReading readPlanes(const TypedPlanes& typed, planes::Position position,
                        double focusSkinDistance, std::string_view resultFileName) {
    PlaneReading reading;
    auto refuse = [&reading](Field field, const QString& message) {
        reading.field = field;
        reading.refusal = message;
        return reading;
    };

    const std::optional<double> centre = wholeNumber(typed.centreHeight);
    if (!centre)
        return refuse(Field::CentreHeight,
                      QStringLiteral("%1には数値（cm）を入力して下さい（「%2」は数値として"
                                     "読めません）。")
                          .arg(quotedField(Field::CentreHeight), typed.centreHeight.trimmed()));
    reading.request.centreHeight = *centre;
    // The centre first, as the job file has it first: a height is judged
    // against a centre that stands.
    if (const planes::Check check = planes::checkCentreHeight(*centre, position); !check.ok()) {
        const Refusal r = refusalOf(check, true, reading.request, position, focusSkinDistance,
                                    windowFieldNames());
        return refuse(r.field, r.message);
    }

    const HeightList list = readHeightList(typed.heights);
    if (!list.notANumber.isEmpty())
        return refuse(Field::Heights, QStringLiteral("%1の「%2」は数値として読めません。\n"
                                                     "高さ（cm）は「,」か空白で区切って下さい"
                                                     "（例：100, 150, 170）。")
                                          .arg(quotedField(Field::Heights), list.notANumber));
    reading.request.heights = list.heights;
    reading.request.verticalSection = typed.verticalSection;
    reading.request.tube = position == planes::Position::Lying && typed.tubeBelow
                               ? planes::Tube::Below
                               : planes::Tube::Above;

    const planes::Check check =
        planes::checkRequest(reading.request, position, focusSkinDistance, resultFileName);
    if (!check.ok()) {
        const Refusal r = refusalOf(check, false, reading.request, position, focusSkinDistance,
                                    windowFieldNames());
        return refuse(r.field, r.message);
    }
    return reading;
}

} // namespace planefields
