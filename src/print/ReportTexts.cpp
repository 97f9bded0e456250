#include "print/ReportTexts.h"

#include "print/ProgramTranslation.h"

#include <QCoreApplication>
#include <QString>
#include <QTranslator>

namespace {

// The translation's context for the report's words.
class ReportLayout {
    Q_DECLARE_TR_FUNCTIONS(ReportLayout)
  public:
    static ReportTexts texts();
};

ReportTexts ReportLayout::texts() {
    ReportTexts t;
    t.title = tr("Gürültü Ölçüm Raporu").toStdString();
    t.site = tr("Ölçüm yeri").toStdString();
    t.reportDate = tr("Rapor tarihi").toStdString();
    t.operatorName = tr("Ölçümü yapan").toStdString();
    t.meter = tr("Ölçüm cihazı").toStdString();
    t.start = tr("Başlangıç").toStdString();
    t.end = tr("Bitiş").toStdString();
    t.readings = tr("Okuma sayısı").toStdString();
    t.samplingRate = tr("Tarama frekansı").toStdString();
    t.notes = tr("Notlar").toStdString();
    t.curve = tr("Zaman eğrisi").toStdString();
    t.summary = tr("Özet ve akustik değerler").toStdString();
    t.exposure = tr("Mesleki gürültü maruziyeti").toStdString();
    t.environment = tr("Çevresel gürültü göstergeleri").toStdString();
    t.exceedances = tr("Sınır aşımları").toStdString();
    t.intervals = tr("Aralık tablosu (%1)").toStdString();
    t.limitLine = tr("Sınır %1 dB").toStdString();
    t.average = tr("Ortalama").toStdString();
    t.averageValue = tr("%1 dB (aritmetik)").toStdString();
    t.unit = tr("Birim").toStdString();
    t.limit = tr("Sınır").toStdString();
    t.noLimit = tr("yok").toStdString();
    t.notApplicable = tr("Uygulanamaz: %1").toStdString();
    t.enteredShift = tr("girilen vardiya").toStdString();
    t.measuredDuration = tr("ölçülen süre").toStdString();
    t.zeroDose = tr("doz sıfır").toStdString();
    t.measured = tr("Ölçülen süre").toStdString();
    t.oshaDose = tr("OSHA doz").toStdString();
    t.nioshDose = tr("NIOSH doz").toStdString();
    t.euColumn = tr("AB değeri (2003/10/AT)").toStdString();
    t.status = tr("Durum").toStdString();
    t.lowerAction = tr("Alt eylem değeri").toStdString();
    t.upperAction = tr("Üst eylem değeri").toStdString();
    t.limitValue = tr("Sınır değer").toStdString();
    t.reached = tr("ulaşıldı").toStdString();
    t.notReached = tr("ulaşılmadı").toStdString();
    t.highestReached = tr("Ulaşılan en yüksek değer: %1.").toStdString();
    t.noReadings = tr("Okuma yok.").toStdString();
    t.notAWeighted =
        tr("Okumalar C ağırlıklı (dBC); maruziyet değerleri A ağırlıklı okumalar ister.")
            .toStdString();
    t.mixedWeighting = tr("Okumalarda A ve C ağırlıklı değerler karışık; maruziyet değerleri "
                          "yalnız A ağırlıklı okumalardan hesaplanır.")
                           .toStdString();
    t.noTimeStamps = tr("Bir okumanın zaman damgası okunamıyor; saate bağlı değerler hesaplanamaz.")
                         .toStdString();
    t.euNone = tr("hiçbiri").toStdString();
    t.euLower = tr("alt eylem değeri").toStdString();
    t.euUpper = tr("üst eylem değeri").toStdString();
    t.euLimit = tr("sınır değer").toStdString();
    t.span = tr("Ölçüm süresi").toStdString();
    t.covered = tr("Kapsanan süre").toStdString();
    t.gap = tr("Boşluk (okumasız)").toStdString();
    t.days = tr("Gün sayısı").toStdString();
    t.indicator = tr("Gösterge").toStdString();
    t.hours = tr("Saatler").toStdString();
    t.level = tr("Düzey").toStdString();
    t.coverage = tr("Kapsam").toStdString();
    t.noReading = tr("okuma yok").toStdString();
    t.incomplete = tr("eksik").toStdString();
    t.complete = tr("tam").toStdString();
    t.lday = tr("Lgündüz").toStdString();
    t.levening = tr("Lakşam (+5 dB)").toStdString();
    t.lnight = tr("Lgece (+10 dB)").toStdString();
    t.allDay = tr("24 saat").toStdString();
    t.periodMissing = tr("dönem eksik").toStdString();
    t.noLimitSet = tr("Sınır seviyesi ayarlanmamış.").toStdString();
    t.aboveSummary = tr("Sınır %1 dB üstünde %2 okuma, %3 süre; %4 aşım.").toStdString();
    t.number = tr("No").toStdString();
    t.duration = tr("Süre").toStdString();
    t.longestListed = tr("En uzun %1 aşım listelendi; %2 kısa aşım yukarıdaki toplamlarda sayıldı.")
                          .toStdString();
    t.page = tr("Sayfa %1 / %2").toStdString();
    t.gapCount = tr("Boşluk sayısı").toStdString();
    t.ldenDays = tr("%1 dB  (%2 tam gün)").toStdString();
    t.ldenPeriodMissing = tr("– (bir dönem okumasız)").toStdString();
    t.ldenNoWholeDays = tr("– (tam gün yok)").toStdString();
    t.dailyTable = tr("Günlük tablo (%1–%1)").toStdString();
    t.periodsNote = tr("Gündüz %1–%2, akşam %2–%3 (+5 dB), gece %3–%1 (+10 dB); bir günün gecesi "
                       "akşamından sonraki gecedir.")
                        .toStdString();
    t.wholeSurvey = tr("Bütün ölçüm: %1 – %2").toStdString();
    t.cursorSpan = tr("A–B arası: %1 – %2").toStdString();
    t.marks = tr("İşaretler").toStdString();
    t.events = tr("Olaylar").toStdString();
    t.eventsMore = tr("%2 olayın Lmax'ı en yüksek %1 tanesi.").toStdString();
    t.background = tr("Arka plan seviyesi").toStdString();
    t.backgroundNote =
        tr("ABL: dönemin kapsanmış çeyrek saatlerinin LA90 değerlerinin alt yüzde onluğu; RBL: "
           "dönemin ABL'lerinin günler üzerinden medyanı.")
            .toStdString();
    t.assessed = tr("Değerlendirilen").toStdString();
    t.allReadings = tr("Bütün okumalar").toStdString();
    t.excluded = tr("Hariç tutulan").toStdString();
    t.residual = tr("Artık ses").toStdString();
    t.leftOut = tr("%1 okuma, %2").toStdString();
    t.notDeterminable = tr("belirlenemez: fark ≤ 3 dB").toStdString();
    t.marksNote = tr("Değerler hariç ve artık ses işaretlerindeki okumalar dışarıda bırakılarak "
                     "hesaplandı; işaretlerin süresi kapsanmamış sayılır.")
                      .toStdString();
    return t;
}

} // namespace

ReportTexts reportTexts() {
    return ReportLayout::texts();
}

ReportTexts reportTexts(Language language) {
    QTranslator translation;
    const bool english = language == Language::English &&
                         loadProgramTranslation(translation, language) &&
                         QCoreApplication::installTranslator(&translation);
    ReportTexts t = reportTexts();
    if (english)
        QCoreApplication::removeTranslator(&translation);
    return t;
}
