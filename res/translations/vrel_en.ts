<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="tr_TR">
<context>
    <name>AcousticGroup</name>
    <message>
        <location filename="../../src/ui/AcousticGroup.cpp" line="+30"/>
        <source>Birim</source>
        <translation>Unit</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Sınır üstü</source>
        <translation>Above limit</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Üstü</source>
        <translation>Above</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+4"/>
        <source>adet</source>
        <translation>readings</translation>
    </message>
    <message>
        <location line="-3"/>
        <source>Süre üstü</source>
        <translation>Time over</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Süre</source>
        <translation>Time</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>En uzun</source>
        <translation>Longest</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Seri</source>
        <translation>Run</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Tümü</source>
        <translation>All</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>LEX,8h</source>
        <translation>LEX,8h</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>LEX</source>
        <translation>LEX</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>AB değeri</source>
        <translation>EU value</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>AB</source>
        <translation>EU</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>OSHA %</source>
        <translation>OSHA %</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>OSHA</source>
        <translation>OSHA</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>TWA (O)</source>
        <translation>TWA (O)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>O-TWA</source>
        <translation>O-TWA</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>NIOSH %</source>
        <translation>NIOSH %</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>NIOSH</source>
        <translation>NIOSH</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>TWA (N)</source>
        <translation>TWA (N)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>N-TWA</source>
        <translation>N-TWA</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Lgündüz</source>
        <translation>Lday</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Lgün</source>
        <translation>Lday</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Lakşam</source>
        <translation>Levening</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Lakş</source>
        <translation>Leve</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Lgece</source>
        <translation>Lnight</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Lden</source>
        <translation>Lden</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Kapsam</source>
        <translation>Coverage</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Kaps.</source>
        <translation>Cov.</translation>
    </message>
    <message>
        <location line="+92"/>
        <location line="+9"/>
        <source>Mevzuat</source>
        <translation>Rules</translation>
    </message>
    <message>
        <location line="-19"/>
        <location line="+22"/>
        <source>Maruziyet ve çevresel gürültü göstergeleri</source>
        <translation>Exposure and environmental noise figures</translation>
    </message>
    <message>
        <location line="-3"/>
        <location line="+23"/>
        <source>Akustik</source>
        <translation>Acoustics</translation>
    </message>
    <message>
        <location line="-21"/>
        <source>Akustik değerlere dön</source>
        <translation>Back to the acoustic figures</translation>
    </message>
    <message>
        <location line="+100"/>
        <source>Uygulanamaz: okumalar C ağırlıklı; A ağırlıklı okumalar gerekir.</source>
        <translation>Not applicable: the readings are C-weighted; A-weighted readings are needed.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Uygulanamaz: A ve C ağırlıklı okumalar karışık.</source>
        <translation>Not applicable: the readings mix A and C weighting.</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+21"/>
        <source>Okuma yok.</source>
        <translation>No readings.</translation>
    </message>
    <message>
        <location line="-17"/>
        <source>Te: girilen vardiya</source>
        <translation>Te: the shift entered</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Te: ölçülen süre</source>
        <translation>Te: the measured duration</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>alt</source>
        <translation>lower</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>üst</source>
        <translation>upper</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>sınır</source>
        <translation>limit</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Alt eylem değeri 80, üst eylem değeri 85, sınır değer 87 dB(A)</source>
        <translation>Lower action value 80, upper action value 85, limit value 87 dB(A)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Bir okumanın zaman damgası okunamıyor.</source>
        <translation>A reading&apos;s time stamp cannot be read.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>* dönem tam kapsanmıyor</source>
        <translation>* period not fully covered</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Bu dönemde okuma yok.</source>
        <translation>No readings in this period.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Kapsam %1 %</source>
        <translation>Coverage %1 %</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Gündüz, akşam ve gece dönemlerinin hepsi gerekir.</source>
        <translation>The day, evening and night periods are all needed.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Okumasız boşluk %1 s</source>
        <translation>Gap without readings %1 s</translation>
    </message>
</context>
<context>
    <name>CAboutDlg</name>
    <message>
        <location filename="../../src/app/AboutDlg.cpp" line="+12"/>
        <source>Hakkında</source>
        <translation>About</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Sürüm 1.0</source>
        <translation>Version 1.0</translation>
    </message>
</context>
<context>
    <name>CDataLogDlg</name>
    <message>
        <location filename="../../src/logger/DataLogDlg.cpp" line="+38"/>
        <source>Tarih, Saat</source>
        <translation>Date, Time</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Birim</source>
        <translation>Unit</translation>
    </message>
    <message>
        <location line="+78"/>
        <source>Verileri içe aktar(&amp;I)</source>
        <translation>&amp;Import Data</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Excel&apos;e aktar(&amp;E)</source>
        <translation>&amp;Export to Excel</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Verileri kaydet(&amp;S)</source>
        <translation>&amp;Save Data</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Seçimi kaydet(&amp;S)</source>
        <translation>&amp;Save Selection</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Yazdır(&amp;P)</source>
        <translation>&amp;Print</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Diyagramı yazdır(&amp;G)</source>
        <translation>Print Dia&amp;gram</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Verileri yazdır(&amp;D)</source>
        <translation>Print &amp;Data</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Rapor(&amp;R)…</source>
        <translation>&amp;Report…</translation>
    </message>
</context>
<context>
    <name>CDlgColorSet</name>
    <message>
        <location filename="../../src/settings/DlgColorSet.cpp" line="+22"/>
        <source>Renk ayarları</source>
        <translation>Color Settings</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Izgara rengi</source>
        <translation>Grid color</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Çizgi rengi</source>
        <translation>Line color</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Arka plan rengi</source>
        <translation>Background color</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>İptal</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CMainFrame</name>
    <message>
        <location filename="../../src/app/MainFrame.cpp" line="+36"/>
        <source>Gerçek zamanlı kaydı başlat</source>
        <translation>Start the real-time recording</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Gerçek zamanlı kaydı durdur</source>
        <translation>Stop the real-time recording</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Veri kayıt cihazını başlat</source>
        <translation>Read the meter&apos;s data logger</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Veri taşı</source>
        <translation>Export the data to a spreadsheet</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Verileri kaydet</source>
        <translation>Save the data</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Uygulamadan çık</source>
        <translation>Quit the application</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Veri setini aç</source>
        <translation>Open a data file</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Gerçek zaman parametreleri ayarı</source>
        <translation>Set up the real-time recording</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Verileri yazdır</source>
        <translation>Print the data table</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Yardım</source>
        <translation>Help</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Diyagramı yazdır</source>
        <translation>Print the diagram</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Program bilgisini ve sürüm numarasını göster</source>
        <translation>Show the program information and version number</translation>
    </message>
    <message>
        <location line="+62"/>
        <source>Dosya(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Aç(&amp;O)</source>
        <translation>&amp;Open</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Aç → Veritabanından…</source>
        <translation>Open → From database…</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Bir ölçerin ölçümünü PostgreSQL arşivinden aç</source>
        <translation>Open a meter&apos;s survey from the PostgreSQL archive</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Farklı kaydet (&amp;S)</source>
        <translation>Save &amp;As</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Excel&apos;e aktar(&amp;E)</source>
        <translation>&amp;Export to Excel</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Diyagramı yazdır(&amp;G)</source>
        <translation>Print Dia&amp;gram</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Verileri yazdır(&amp;D)</source>
        <translation>Print &amp;Data</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Bitir(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ölçüm başlat(&amp;M)…</source>
        <translation>Start s&amp;urvey…</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Bağlı ölçerle bir klasöre uzun süreli ölçüm başlat ve büyüdükçe göster</source>
        <translation>Start a long survey with the connected meter into a folder and show it as it grows</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Rapor(&amp;R)…</source>
        <translation>&amp;Report…</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ölçüm raporunu PDF dosyasına veya yazıcıya çıkar</source>
        <translation>Print the measurement report to a PDF file or a printer</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Gerçek zaman(&amp;R)</source>
        <translation>&amp;Real Time</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Kayıt(&amp;R)</source>
        <translation>&amp;Record</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Stop(&amp;S)</source>
        <translation>&amp;Stop</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Verileri sil(C)</source>
        <translation>&amp;Clear Data</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ayarlar(&amp;U)</source>
        <translation>Se&amp;ttings</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>DataLogger(&amp;D)</source>
        <translation>&amp;Data Logger</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>COM portu(&amp;C)</source>
        <translation>&amp;COM Port</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>manüel(&amp;M)</source>
        <translation>&amp;Manual</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Otomatik(&amp;A)</source>
        <translation>&amp;Automatic</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Görünüm(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Menü çubuğu(&amp;T)</source>
        <translation>&amp;Toolbar</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Araç çubuğunu göster veya gizle</source>
        <translation>Show or hide the toolbar</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Durum satırı(&amp;S)</source>
        <translation>&amp;Status Bar</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Durum satırını göster veya gizle</source>
        <translation>Show or hide the status bar</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Renk ayarları</source>
        <translation>Color Settings</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Sınır seviyesi…</source>
        <translation>Level Limit…</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Grafiklerde çizilen sınır seviyesini ayarla</source>
        <translation>Set the level limit the graphs draw</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Sınırı kaldır</source>
        <translation>Remove Limit</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Sınır seviyesini kapat</source>
        <translation>Switch the level limit off</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Yardım(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>İçerik(&amp;C)</source>
        <translation>&amp;Contents</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>hakkında(&amp;A)</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <location line="+42"/>
        <source> - DEMO (benzetilmiş cihaz)</source>
        <translation> - DEMO (simulated meter)</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Demo cihaz (benzetim): %1</source>
        <translation>Demo meter (simulated) on %1</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Cihazın portu açık değil</source>
        <translation>No meter port open</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Port %1</source>
        <translation>Port %1</translation>
    </message>
    <message>
        <location line="-4"/>
        <source>Cihaz bekleniyor: %1</source>
        <translation>Waiting for the meter on %1</translation>
    </message>
    <message>
        <location line="+5"/>
        <source> - veri geliyor</source>
        <translation> - receiving</translation>
    </message>
    <message>
        <location line="+0"/>
        <source> - veri yok</source>
        <translation> - no data</translation>
    </message>
    <message>
        <location line="-66"/>
        <source>Ağ(&amp;N)</source>
        <translation>&amp;Network</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ölçüm ağı…</source>
        <translation>Measurement network…</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ağdaki bütün ölçerleri bir tabloda göster</source>
        <translation>Show every meter on the network in a table</translation>
    </message>
</context>
<context>
    <name>CMeterButton</name>
    <message>
        <location filename="../../src/live/MeterButtonTable.h" line="+21"/>
        <source>Durdur</source>
        <translation>Hold</translation>
    </message>
</context>
<context>
    <name>CMeterWnd</name>
    <message>
        <location filename="../../src/network/MeterWindow.cpp" line="+38"/>
        <source>Geri</source>
        <translation>Back</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ölçümünü aç</source>
        <translation>Open its survey</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 / %2 — son saat</source>
        <translation>%1 / %2 — last hour</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Saatin tamamı</source>
        <translation>Whole hour</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Son saatin tamamını göster (Home)</source>
        <translation>Show the whole last hour (Home)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Bir önceki görünüme dön (Backspace)</source>
        <translation>Back to the previous view (Backspace)</translation>
    </message>
    <message>
        <location line="+77"/>
        <source>%1 — seviye %2</source>
        <translation>%1 — level %2</translation>
    </message>
    <message>
        <location line="+2"/>
        <source> — son aralık Leq %1 dB, %2 bitti, kapsam %3</source>
        <translation> — last interval Leq %1 dB, ended %2, coverage %3</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Ölçüm penceresinde veritabanından açılır</source>
        <translation>Opens in the survey window from the database</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>%1  Lmax %2 %3, %4 sn, SEL %5</source>
        <translation>%1  Lmax %2 %3, %4 s, SEL %5</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>%1 — sürüyor</source>
        <translation>%1 — going on</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Son saatte sınır üstü olay yok.</source>
        <translation>No exceedance in the last hour.</translation>
    </message>
    <message numerus="yes">
        <location line="+41"/>
        <source>A–B, %1 – %2: Leq %3 dB, Lmax %4 dB, Lmin %5 dB, %n okuma</source>
        <translation>
            <numerusform>A–B, %1 – %2: Leq %3 dB, Lmax %4 dB, Lmin %5 dB, %n reading</numerusform>
            <numerusform>A–B, %1 – %2: Leq %3 dB, Lmax %4 dB, Lmin %5 dB, %n readings</numerusform>
        </translation>
    </message>
    <message>
        <location line="-78"/>
        <source> — sınır aşıldı</source>
        <translation> — over the limit</translation>
    </message>
    <message>
        <location line="-102"/>
        <source>Son saatin olayları</source>
        <translation>Exceedances of the last hour</translation>
    </message>
    <message>
        <location line="+116"/>
        <source>Arşiv klasörü seçilmedi (vrel-cli collect)</source>
        <translation>No archive folder chosen (vrel-cli collect)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 içinde bu ölçerin arşivi yok</source>
        <translation>%1 holds no archive of this meter</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 ölçüm penceresinde açılır</source>
        <translation>Opens %1 in the survey window</translation>
    </message>
    <message>
        <location line="+45"/>
        <source>Bu ölçerden henüz seviye gelmedi.</source>
        <translation>No level has come from this meter yet.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Son saat: Leq %1 dB, Lmax %2 dB, Lmin %3 dB. Tıklama A imlecini, sağ tıklama B imlecini koyar.</source>
        <translation>Last hour: Leq %1 dB, Lmax %2 dB, Lmin %3 dB. A click sets cursor A, a right click cursor B.</translation>
    </message>
</context>
<context>
    <name>CNetworkWnd</name>
    <message>
        <location filename="../../src/network/NetworkWindow.cpp" line="+29"/>
        <location line="+115"/>
        <source>Ölçüm ağı — %1</source>
        <translation>Measurement network — %1</translation>
    </message>
    <message>
        <location line="-95"/>
        <source>Bir ölçerin son saati için satırına çift tıklayın.</source>
        <translation>Double-click a meter&apos;s row for its last hour.</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Tüm sahalar</source>
        <translation>All sites</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Yeniden bağlan…</source>
        <translation>Connect again…</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>Okundu</source>
        <translation>Read</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>Saha:</source>
        <translation>Site:</translation>
    </message>
    <message>
        <location line="+98"/>
        <source>Ölçer çevrimdışı</source>
        <translation>Meter offline</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>%1 artık yayın yapmıyor.</source>
        <translation>%1 no longer publishes.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Sınır aşıldı</source>
        <translation>Limit exceeded</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>%1 sınır seviyesinin üstünde.</source>
        <translation>%1 is above the level limit.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>%1: %2 %3, %4 sn, SEL %5</source>
        <translation>%1: %2 %3, %4 s, SEL %5</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Aşım</source>
        <translation>Exceedance</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>Okunamayan iletiler atlandı: %1</source>
        <translation>Unreadable messages skipped: %1</translation>
    </message>
    <message>
        <location line="+31"/>
        <source>%1 adresine bağlanılıyor…</source>
        <translation>Connecting to %1…</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1 — ölçer: %2</source>
        <translation>%1 — meters: %2</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>%1 kullanıcı adını veya parolayı kabul etmedi.</source>
        <translation>%1 did not accept the user name or password.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 bağlantıyı reddetti (%2).</source>
        <translation>%1 refused the connection (%2).</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>%1 ile bağlantı koptu.</source>
        <translation>The connection to %1 was lost.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1 sunucusu bulunamadı.</source>
        <translation>The host %1 cannot be found.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1 bağlantı kabul etmiyor: broker çalışmıyor ya da port yanlış.</source>
        <translation>%1 takes no connection: the broker is not running or the port is wrong.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1 bu portta TLS konuşmuyor; mqtt:// adresini ya da brokerın TLS portunu deneyin.</source>
        <translation>%1 does not speak TLS on this port; try mqtt:// or the broker&apos;s TLS port.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>%1 sertifikasına güvenilmiyor ya da sertifika bu sunucu adına verilmemiş (CA sertifikasına bakın).</source>
        <translation>The certificate of %1 is not trusted or not made out to this host name (see the CA certificate).</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>%1 ile TLS kurulamadı (%2).</source>
        <translation>TLS with %1 failed (%2).</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>%1 ulaşılamıyor (%2).</source>
        <translation>%1 cannot be reached (%2).</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Yeniden deneniyor; bu arada ölçerlerin durumu bilinmiyor.</source>
        <translation>Trying again; meanwhile the meters&apos; states are unknown.</translation>
    </message>
</context>
<context>
    <name>CPort</name>
    <message>
        <location filename="../../src/app/PortDlg.cpp" line="+17"/>
        <source>COM portu</source>
        <translation>COM port</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>İptal</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>0 ile %1 arasında bir tam sayı ya da portun aygıt yolunu girin.</source>
        <translation>Please enter an integer between 0 and %1, or the device path of the port.</translation>
    </message>
</context>
<context>
    <name>CRTSetup</name>
    <message>
        <location filename="../../src/live/RtSetupDlg.cpp" line="+22"/>
        <source>Gerçek zaman ayarları</source>
        <translation>Real-Time Settings</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Gerçek zamanlı veri seti sayısı</source>
        <translation>Number of real-time samples</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>(Gerekli veri setleri girişi)</source>
        <translation>(enter the number of samples needed)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Gerçek zamanlı tarama frekansı</source>
        <translation>Real-time sampling interval</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Saniye</source>
        <translation>seconds</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Kayıt döngüsü</source>
        <translation>Recording length</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Başlatma saati</source>
        <translation>Start time</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Durdurma saati</source>
        <translation>Stop time</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Başlat</source>
        <translation>Start</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>İptal</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CSurveyWnd</name>
    <message>
        <location filename="../../src/surveywindow/SurveyWindow.cpp" line="+109"/>
        <source>İptal</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Geri</source>
        <translation>Back</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Saatlik tablo</source>
        <translation>Hourly table</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Durdur</source>
        <translation>Stop</translation>
    </message>
    <message>
        <location line="+71"/>
        <source>Tümü</source>
        <translation>Whole</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Gün</source>
        <translation>Day</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Saat</source>
        <translation>Hour</translation>
    </message>
    <message>
        <location line="-71"/>
        <source>Ölçüm: %1</source>
        <translation>Survey: %1</translation>
    </message>
    <message>
        <location line="-38"/>
        <source>%1/%2 (veritabanı)</source>
        <translation>%1/%2 (database)</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>İmleçleri kaldır</source>
        <translation>Clear cursors</translation>
    </message>
    <message>
        <location line="+10"/>
        <location line="+173"/>
        <source>Başlangıç</source>
        <translation>Start</translation>
    </message>
    <message>
        <location line="-173"/>
        <source>Süre</source>
        <translation>Length</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Tür</source>
        <translation>Kind</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Etiket</source>
        <translation>Label</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Not</source>
        <translation>Note</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>İşaretle…</source>
        <translation>Mark…</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>A-B arasını işaretle: hariç, artık ses, olay ya da not (Ctrl ile sürükleyerek de)</source>
        <translation>Mark the span A–B: excluded, residual sound, event or note (also by dragging with Ctrl)</translation>
    </message>
    <message>
        <location line="+2"/>
        <location line="+907"/>
        <source>Düzenle…</source>
        <translation>Edit…</translation>
    </message>
    <message>
        <location line="-906"/>
        <location line="+907"/>
        <source>Sil</source>
        <translation>Delete</translation>
    </message>
    <message>
        <location line="-904"/>
        <source>Hava verisi…</source>
        <translation>Weather data…</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Bir hava istasyonunun CSV dosyasından rüzgârı 5 m/s üstündeki satırları hariç tut</source>
        <translation>Exclude the rows of a weather station&apos;s CSV file with wind above 5 m/s</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Bütün okumalar</source>
        <translation>All readings</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>İşaretlere bakmadan bütün okumaların değerleri</source>
        <translation>The figures of all readings, whatever the marks</translation>
    </message>
    <message>
        <location line="+42"/>
        <source>İşaretler yazılamadı: %1</source>
        <translation>The marks could not be written: %1</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Rapor…</source>
        <translation>Report…</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Excel&apos;e aktar…</source>
        <translation>Export to Excel…</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>A-B arasının raporu; imleçler yoksa bütün ölçümün</source>
        <translation>Report of the span from A to B, or of the whole survey without cursors</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Günlük ve saatlik tablolar bir Excel dosyasına</source>
        <translation>The daily and hourly tables into an Excel workbook</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Bütün ölçümü göster (Home)</source>
        <translation>Show the whole survey (Home)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ortadaki günü göster, gündüz başlangıcından ertesi güne</source>
        <translation>Show the day in the middle, from the day period’s start to the next day’s</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ortadaki saati göster</source>
        <translation>Show the hour in the middle</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Bir önceki görünüme dön (Backspace)</source>
        <translation>Back to the previous view (Backspace)</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Ölçümü bitir: açık aralık ve boşluk yazılır, dosyalar kapanır</source>
        <translation>End the survey: the open interval and gap are written, the files closed</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>A ve B imleçlerini kaldır (Esc)</source>
        <translation>Remove cursors A and B (Esc)</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Olayları bul</source>
        <translation>Find events</translation>
    </message>
    <message>
        <location line="+14"/>
        <location line="+2"/>
        <source> dB</source>
        <translation> dB</translation>
    </message>
    <message>
        <location line="-1"/>
        <source>Bir olay bu seviyenin üstündeki bir okumayla başlar</source>
        <translation>An event starts at a reading above this level</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Olay, okumalar eşiğin bu kadar altına inene dek sürer</source>
        <translation>An event goes on until the readings fall this far below the threshold</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+2"/>
        <source> s</source>
        <translation> s</translation>
    </message>
    <message>
        <location line="-1"/>
        <source>Aralarındaki sessizlik en çok bu kadar olan olaylar birleşir</source>
        <translation>Events with at most this much quiet between them become one</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Bundan kısa olaylar sayılmaz</source>
        <translation>Shorter events do not count</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Eşik</source>
        <translation>Threshold</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Histerezis</source>
        <translation>Hysteresis</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Birleştir</source>
        <translation>Merge</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>En kısa</source>
        <translation>Shortest</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>No</source>
        <translation>No.</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Süre (s)</source>
        <translation>Length (s)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Lmax</source>
        <translation>Lmax</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>SEL</source>
        <translation>SEL</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Olay olarak işaretle</source>
        <translation>Mark as event</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Hariç tut</source>
        <translation>Exclude</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Seçili olayı hariç tutma işaretine çevir</source>
        <translation>Turn the selected event into an exclude mark</translation>
    </message>
    <message>
        <location line="+56"/>
        <source>İşaretler</source>
        <translation>Marks</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Olaylar</source>
        <translation>Events</translation>
    </message>
    <message>
        <location line="+45"/>
        <source>Okunuyor: %1</source>
        <translation>Reading %1</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>Okuma durduruldu; ölçüm başlatılmadı.</source>
        <translation>Reading stopped; the survey was not started.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Okuma durduruldu.</source>
        <translation>Reading stopped.</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>%1 klasöründe ölçüm yok.</source>
        <translation>There are no readings in the folder %1.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>%1, %2, %3 – %4</source>
        <translation>%1 in %2, %3 – %4</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>veritabanından, işaretler salt okunur</source>
        <translation>from the database, marks read-only</translation>
    </message>
    <message numerus="yes">
        <location line="+222"/>
        <source>%n olay</source>
        <translation>
            <numerusform>%n event</numerusform>
            <numerusform>%n events</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+75"/>
        <source>%Ln işaret</source>
        <translation>
            <numerusform>%Ln mark</numerusform>
            <numerusform>%Ln marks</numerusform>
        </translation>
    </message>
    <message>
        <location line="+2"/>
        <source>; hariç %1 okuma (%2), artık ses %3 okuma (%4)</source>
        <translation>; excluded %1 readings (%2), residual sound %3 readings (%4)</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>; değerler bütün okumaların</source>
        <translation>; figures of all readings</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>İmleç yok: tıklama A&apos;yı, sağ tıklama B&apos;yi koyar.</source>
        <translation>No cursors: a click places A, a right click B.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>A: %1</source>
        <translation>A: %1</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>B: %1</source>
        <translation>B: %1</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>A–B: %1</source>
        <translation>A–B: %1</translation>
    </message>
    <message>
        <location line="+63"/>
        <source>Rapor A–B arasını kapsar: %1 – %2 (%3).</source>
        <translation>The report covers A–B: %1 – %2 (%3).</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Rapor bütün ölçümü kapsar: %1 – %2.</source>
        <translation>The report covers the whole survey: %1 – %2.</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>Veritabanından okunan ölçümün işaretleri değiştirilemez.</source>
        <translation>The marks of a survey read from the database cannot be changed.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>İşaretlerin bir kısmı okunamadı; okunanlar gösteriliyor:</source>
        <translation>Some of the marks could not be read; those read are shown:</translation>
    </message>
    <message>
        <location line="+37"/>
        <source>hariç</source>
        <translation>excluded</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>artık ses</source>
        <translation>residual</translation>
    </message>
    <message>
        <location line="-196"/>
        <location line="+198"/>
        <source>olay</source>
        <translation>event</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>not</source>
        <translation>note</translation>
    </message>
    <message>
        <location line="+47"/>
        <source>İşaretlemek için A ve B imleçlerini koyun.</source>
        <translation>Place cursors A and B to mark a span.</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>%1 – %2 (%3)</source>
        <translation>%1 – %2 (%3)</translation>
    </message>
    <message>
        <location line="-259"/>
        <location line="+270"/>
        <source>İşaret eklenemedi: %1</source>
        <translation>The mark could not be added: %1</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>İşaret değiştirilemedi: %1</source>
        <translation>The mark could not be changed: %1</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>İşaret silinemedi: %1</source>
        <translation>The mark could not be deleted: %1</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Hava verisi</source>
        <translation>Weather data</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>CSV dosyası (*.csv)</source>
        <translation>CSV file (*.csv)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Bütün dosyalar (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>İşaretler eklenemedi: %1</source>
        <translation>The marks could not be added: %1</translation>
    </message>
    <message numerus="yes">
        <location line="+3"/>
        <source>%Ln işaret eklendi.</source>
        <translation>
            <numerusform>%Ln mark added.</numerusform>
            <numerusform>%Ln marks added.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="-472"/>
        <source>%n örnek yazılamadı: %1</source>
        <translation>
            <numerusform>%n sample could not be written: %1</numerusform>
            <numerusform>%n samples could not be written: %1</numerusform>
        </translation>
    </message>
    <message>
        <location line="-113"/>
        <source>Bu dosyalar okunamadı; ölçümün geri kalanı gösteriliyor:</source>
        <translation>These files could not be read; the rest of the survey is shown:</translation>
    </message>
    <message numerus="yes">
        <location line="-23"/>
        <source>%Ln okuma</source>
        <translation>
            <numerusform>%Ln reading</numerusform>
            <numerusform>%Ln readings</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>%Ln dosya</source>
        <translation>
            <numerusform>%Ln file</numerusform>
            <numerusform>%Ln files</numerusform>
        </translation>
    </message>
    <message>
        <location line="+97"/>
        <source>Yazma yeniden çalışıyor; bellekte tutulan örneklerin hiçbiri kaybolmadı.</source>
        <translation>Writing works again; none of the samples held in memory was lost.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Ölçüm dosyaları yazılamıyor; örnekler bellekte tutuluyor, her saniye yeniden deneniyor ve örnekleme sürüyor.
%1</source>
        <translation>The survey&apos;s files cannot be written; the samples are held in memory, writing is tried again every second and sampling goes on.
%1</translation>
    </message>
    <message numerus="yes">
        <location line="+29"/>
        <source>Ölçüm durduruldu: %Ln örnek, %1 klasöründe.</source>
        <translation>
            <numerusform>Survey stopped: %Ln sample in %1.</numerusform>
            <numerusform>Survey stopped: %Ln samples in %1.</numerusform>
        </translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Bu pencerede ölçüm sürüyor. Ölçüm durdurulup dosyaları kapatılsın mı?</source>
        <translation>A survey is running in this window. Stop it and close its files?</translation>
    </message>
    <message>
        <location filename="../../src/surveywindow/SurveyExports.cpp" line="+43"/>
        <source>Olcum-tablolari.xlsx</source>
        <translation>Survey-tables.xlsx</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Excel çalışma kitabı (*.xlsx)</source>
        <translation>Excel workbook (*.xlsx)</translation>
    </message>
</context>
<context>
    <name>ConnectDlg</name>
    <message>
        <location filename="../../src/ui/ConnectDlg.cpp" line="+15"/>
        <source>Ölçüm ağına bağlan</source>
        <translation>Connect to the measurement network</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>sistemin güvendiği sertifikalar</source>
        <translation>the system&apos;s trusted authorities</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>isteğe bağlı</source>
        <translation>optional</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>vrel-cli collect komutunun yazdığı klasör: bir ölçerin bütün ölçümü buradan açılır.</source>
        <translation>The folder vrel-cli collect writes: a meter&apos;s whole survey opens from there.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>postgresql://KULLANICI@SUNUCU/VT</source>
        <translation>postgresql://USER@HOST/DB</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>vrel-cli collect --db komutunun yazdığı veritabanı: bir ölçerin bütün ölçümü arşiv klasöründen önce buradan açılır. Parola libpq&apos;nun parola dosyasındadır.</source>
        <translation>The database vrel-cli collect --db writes: a meter&apos;s whole survey opens from here before the archive folder. The password is in libpq&apos;s password file.</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>CA sertifikasını seçin</source>
        <translation>Choose the CA certificate</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Sertifika (*.pem *.crt)</source>
        <translation>Certificate (*.pem *.crt)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Tüm dosyalar (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Arşiv klasörünü seçin</source>
        <translation>Choose the archive folder</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Broker adresi:</source>
        <translation>Broker address:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Kullanıcı:</source>
        <translation>User:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Parola:</source>
        <translation>Password:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>CA sertifikası:</source>
        <translation>CA certificate:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Arşiv klasörü:</source>
        <translation>Archive folder:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Arşiv veritabanı:</source>
        <translation>Archive database:</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Parola sistemin anahtarlığında saklanır.</source>
        <translation>The password is kept in the system&apos;s keyring.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Anahtarlık yok: parola saklanmaz, her seferinde sorulur.</source>
        <translation>No keyring: the password is not kept and is asked each time.</translation>
    </message>
</context>
<context>
    <name>CurveForm</name>
    <message>
        <location filename="../../src/app/MainForm.cpp" line="+25"/>
        <location filename="../../src/logger/DataLogForm.cpp" line="+39"/>
        <source>Gerçek zaman eğrisi</source>
        <translation>Real-time curve</translation>
    </message>
    <message>
        <location line="+1"/>
        <location filename="../../src/logger/DataLogForm.cpp" line="+1"/>
        <source>Gösterge</source>
        <translation>Pointer</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>İmleç</source>
        <translation>Cursors</translation>
    </message>
    <message>
        <location line="+11"/>
        <location filename="../../src/logger/DataLogForm.cpp" line="+4"/>
        <source>Yakınlaştırma geri</source>
        <translation>Reset zoom</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Eğri</source>
        <translation>Curve</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Tablo</source>
        <translation>Table</translation>
    </message>
    <message>
        <location line="+4"/>
        <location filename="../../src/logger/DataLogForm.cpp" line="+4"/>
        <source>Başlatma saati</source>
        <translation>Start time</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../../src/logger/DataLogForm.cpp" line="+2"/>
        <source>MİN</source>
        <translation>MIN</translation>
    </message>
    <message>
        <location line="+4"/>
        <location filename="../../src/logger/DataLogForm.cpp" line="+4"/>
        <source>MAKS</source>
        <translation>MAX</translation>
    </message>
    <message>
        <location line="+4"/>
        <location filename="../../src/logger/DataLogForm.cpp" line="+4"/>
        <source>Tarama frekansı</source>
        <translation>Sampling interval</translation>
    </message>
    <message>
        <location line="+3"/>
        <location filename="../../src/logger/DataLogForm.cpp" line="+3"/>
        <source>Ortalama</source>
        <translation>Average</translation>
    </message>
    <message>
        <location line="+4"/>
        <location filename="../../src/logger/DataLogForm.cpp" line="+4"/>
        <source>Değer:</source>
        <translation>Value:</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../../src/logger/DataLogForm.cpp" line="+2"/>
        <source>Zaman:</source>
        <translation>Time:</translation>
    </message>
    <message>
        <location line="+3"/>
        <location filename="../../src/logger/DataLogForm.cpp" line="+3"/>
        <source>İmleç A</source>
        <translation>Cursor A</translation>
    </message>
    <message>
        <location line="+4"/>
        <location filename="../../src/logger/DataLogForm.cpp" line="+4"/>
        <source>İmleç B</source>
        <translation>Cursor B</translation>
    </message>
    <message>
        <location line="+4"/>
        <location filename="../../src/logger/DataLogForm.cpp" line="+4"/>
        <source>A ve B arasındaki MAKS</source>
        <translation>MAX between A and B</translation>
    </message>
    <message>
        <location line="+4"/>
        <location filename="../../src/logger/DataLogForm.cpp" line="+4"/>
        <source>A ve B arasındaki MİN</source>
        <translation>MIN between A and B</translation>
    </message>
    <message>
        <location line="+4"/>
        <location filename="../../src/logger/DataLogForm.cpp" line="+4"/>
        <source>A ve B arasındaki ortalama</source>
        <translation>Average between A and B</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../../src/logger/DataLogForm.cpp" line="+2"/>
        <source>A ve B arasındaki adet</source>
        <translation>Count between A and B</translation>
    </message>
    <message>
        <location filename="../../src/logger/DataLogForm.cpp" line="-42"/>
        <source>Veri No.</source>
        <translation>Data No.</translation>
    </message>
    <message>
        <location line="+61"/>
        <source>Veriler okunuyor!  Lütfen bekleyin…</source>
        <translation>Reading the data. Please wait…</translation>
    </message>
</context>
<context>
    <name>DataLoggerCommands</name>
    <message>
        <location filename="../../src/app/DataLoggerCommands.cpp" line="+45"/>
        <source>Veri kaydedici</source>
        <translation>Data logger</translation>
    </message>
</context>
<context>
    <name>FleetTable</name>
    <message>
        <location filename="../../src/network/FleetTable.cpp" line="+53"/>
        <source>bilinmiyor</source>
        <translation>unknown</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>çevrimiçi, %1</source>
        <translation>online, %1</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>çevrimdışı, %1</source>
        <translation>offline, %1</translation>
    </message>
    <message>
        <location line="+31"/>
        <source>aşıldı</source>
        <translation>exceeded</translation>
    </message>
    <message>
        <location line="+54"/>
        <source>Saha</source>
        <translation>Site</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Ölçer</source>
        <translation>Meter</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Durum (şu andan beri)</source>
        <translation>Status (since)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Seviye</source>
        <translation>Level</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Son aralık Leq (dB)</source>
        <translation>Last interval Leq (dB)</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Kapsam</source>
        <translation>Coverage</translation>
    </message>
    <message>
        <location line="-2"/>
        <source>Aralık sonu</source>
        <translation>Interval end</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Sınır</source>
        <translation>Limit</translation>
    </message>
</context>
<context>
    <name>LevelLimit</name>
    <message>
        <location filename="../../src/ui/LevelLimit.cpp" line="+26"/>
        <source>Sınır seviyesi</source>
        <translation>Level Limit</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Sınır seviyesi (dB):</source>
        <translation>Level limit (dB):</translation>
    </message>
</context>
<context>
    <name>LiveSurvey</name>
    <message>
        <location filename="../../src/surveywindow/LiveSurvey.cpp" line="+83"/>
        <source>eşik aşımı %1&apos;den beri 1 dakikadan uzun sürüyor, Lmax %2 dB</source>
        <translation>an exceedance since %1 has lasted over a minute, Lmax %2 dB</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>eşik aşımı %1: %2, %3 s, Lmax %4 dB, SEL %5 dB</source>
        <translation>exceedance %1: %2, %3 s, Lmax %4 dB, SEL %5 dB</translation>
    </message>
    <message>
        <location line="+51"/>
        <source>süre %1</source>
        <translation>elapsed %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 örnek</source>
        <translation>samples: %1</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>son %1 %2</source>
        <translation>last %1 %2</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>bu aralıkta Leq %1 %2</source>
        <translation>Leq %1 %2 this interval</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>bu aralıkta henüz Leq yok</source>
        <translation>no Leq yet this interval</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 boşluk</source>
        <translation>gaps: %1</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 örnek bellekte bekliyor</source>
        <translation>held in memory: %1</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>broker satırları reddediyor</source>
        <translation>the broker refuses the rows</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>broker ulaşılamıyor</source>
        <translation>broker away</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>yayında</source>
        <translation>publishing</translation>
    </message>
    <message numerus="yes">
        <location line="+2"/>
        <source>%n satır gönderilecek</source>
        <translation>
            <numerusform>%n row to publish</numerusform>
            <numerusform>%n rows to publish</numerusform>
        </translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Ölçüm sürüyor: </source>
        <translation>Survey running: </translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Ölçüm durdu: </source>
        <translation>Survey stopped: </translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Ölçer bekleniyor (%1).</source>
        <translation>Waiting for the meter (%1).</translation>
    </message>
</context>
<context>
    <name>LoggerFiles</name>
    <message>
        <location filename="../../src/logger/LoggerFiles.cpp" line="+43"/>
        <source>Excel çalışma kitabı (*.xlsx)</source>
        <translation>Excel workbook (*.xlsx)</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Ölçüm klasörü (summary.csv events.csv survey-*.txt)</source>
        <translation>Survey folder (summary.csv events.csv survey-*.txt)</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>%1 klasöründe ölçüm dosyası (survey-*.txt) yok.</source>
        <translation>The folder %1 holds no survey file (survey-*.txt).</translation>
    </message>
</context>
<context>
    <name>MarkDlg</name>
    <message>
        <location filename="../../src/ui/MarkDlg.cpp" line="+12"/>
        <source>İşaret</source>
        <translation>Mark</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Hariç tut (yağmur, rüzgâr, yabancı gürültü)</source>
        <translation>Exclude (rain, wind, foreign noise)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Artık ses (kaynak kapalı)</source>
        <translation>Residual sound (source off)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Olay</source>
        <translation>Event</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Not</source>
        <translation>Note</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Tür:</source>
        <translation>Kind:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Etiket:</source>
        <translation>Label:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Not:</source>
        <translation>Note:</translation>
    </message>
</context>
<context>
    <name>MarksEditor</name>
    <message>
        <location filename="../../src/surveywindow/MarksEditor.cpp" line="+70"/>
        <source>işaret ekle</source>
        <translation>add a mark</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>işareti değiştir</source>
        <translation>change a mark</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>işareti sil</source>
        <translation>delete a mark</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>hava verisi</source>
        <translation>weather data</translation>
    </message>
</context>
<context>
    <name>NetworkStart</name>
    <message>
        <location filename="../../src/network/NetworkStart.cpp" line="+58"/>
        <source>Broker adresi mqtt://sunucu[:port] veya mqtts://sunucu[:port] olmalı.</source>
        <translation>The broker address must be mqtt://host[:port] or mqtts://host[:port].</translation>
    </message>
    <message>
        <location line="+63"/>
        <location line="+115"/>
        <source>Ölçüm ağı</source>
        <translation>Measurement network</translation>
    </message>
    <message>
        <location line="-126"/>
        <source>Broker kullanıcı adını veya parolayı kabul etmedi.</source>
        <translation>The broker did not accept the user name or password.</translation>
    </message>
</context>
<context>
    <name>PageRenderer</name>
    <message>
        <location filename="../../src/print/PageRenderer.cpp" line="+90"/>
        <source>Yazıcı belgeyi başlatamadı.</source>
        <translation>The printer could not start the document.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Yazıcı %1. sayfayı başlatamadı.</source>
        <translation>The printer could not start page %1.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Yazıcı belgeyi bitiremedi.</source>
        <translation>The printer could not finish the document.</translation>
    </message>
</context>
<context>
    <name>Prompt</name>
    <message>
        <location filename="../../src/ui/Prompt.cpp" line="+70"/>
        <source>Yeni klasör</source>
        <translation>New folder</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>%1 klasörü yok. Oluşturulsun mu?</source>
        <translation>The folder %1 does not exist. Create it?</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>%1 klasörü oluşturulamadı.</source>
        <translation>The folder %1 could not be created.</translation>
    </message>
</context>
<context>
    <name>RecordTableModel</name>
    <message>
        <location filename="../../src/live/RecordTableModel.cpp" line="+59"/>
        <source>Tarih, Saat</source>
        <translation>Date, Time</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Birim</source>
        <translation>Unit</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Değer</source>
        <translation>Value</translation>
    </message>
</context>
<context>
    <name>RecordingFeature</name>
    <message>
        <location filename="../../src/app/RecordingFeature.cpp" line="+37"/>
        <source>Kayıt durdu (%1): ölçer HOLD konumunda.</source>
        <translation>Recording stopped (%1): the meter is on HOLD.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Kayıt durdu (%1): ölçerin bağlantısı koptu; ölçer dönünce kaydı yeniden başlatın.</source>
        <translation>Recording stopped (%1): the meter was disconnected; start again once it is back.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Kayıt durdu (%1): ölçer %2 saniyedir sessiz; ölçer dönünce kaydı yeniden başlatın.</source>
        <translation>Recording stopped (%1): the meter has been silent for %2 seconds; start again once it is back.</translation>
    </message>
    <message>
        <location line="+113"/>
        <source>Kaydın güvenlik kopyası yazılamıyor (%1); kayıt yalnızca bellekte sürüyor.</source>
        <translation>The recording&apos;s safety copy cannot be written (%1); the recording goes on in memory only.</translation>
    </message>
    <message numerus="yes">
        <location line="+19"/>
        <source>Son kayıt (%n örnek) program kapanmadan önce kaydedilmemiş. Geri yüklensin mi?</source>
        <translation>
            <numerusform>The last recording (%n sample) was not saved before the program ended. Restore it?</numerusform>
            <numerusform>The last recording (%n samples) was not saved before the program ended. Restore it?</numerusform>
        </translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Programın son çalışmasından kalan kayıt okunamıyor. Bir dosya olarak saklandı.</source>
        <translation>A recording left by the program&apos;s last run cannot be read. It is kept as a file.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Kaydedilmemiş kayıt</source>
        <translation>Unsaved recording</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Kaydedilmemiş kayıt %1 olarak saklandı</source>
        <translation>The unsaved recording was kept as %1</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Kaydedilmemiş veriler</source>
        <translation>Unsaved data</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>Gerçek zamanlı veriler</source>
        <translation>Real-time data</translation>
    </message>
</context>
<context>
    <name>ReportDlg</name>
    <message>
        <location filename="../../src/ui/ReportDlg.cpp" line="+22"/>
        <source>Rapor</source>
        <translation>Report</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Ölçüm yeri:</source>
        <translation>Site:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ölçümü yapan:</source>
        <translation>Operator:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ölçüm cihazı:</source>
        <translation>Meter:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Notlar:</source>
        <translation>Notes:</translation>
    </message>
    <message>
        <location line="+6"/>
        <source> saat</source>
        <translation> h</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ölçülen süre</source>
        <translation>measured duration</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Vardiya süresi:</source>
        <translation>Shift duration:</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>%1 dk</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>1 saat</source>
        <translation>1 h</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Aralık:</source>
        <translation>Interval:</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Gündüz, akşam, gece başlangıcı:</source>
        <translation>Day, evening, night start:</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>PDF dosyası</source>
        <translation>PDF file</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Yazıcı</source>
        <translation>Printer</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Çıktı:</source>
        <translation>Output:</translation>
    </message>
</context>
<context>
    <name>ReportLayout</name>
    <message>
        <location filename="../../src/print/ReportTexts.cpp" line="+20"/>
        <source>Gürültü Ölçüm Raporu</source>
        <translation>Noise Measurement Report</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ölçüm yeri</source>
        <translation>Site</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Rapor tarihi</source>
        <translation>Report date</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ölçümü yapan</source>
        <translation>Measured by</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ölçüm cihazı</source>
        <translation>Instrument</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Başlangıç</source>
        <translation>Start</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Bitiş</source>
        <translation>End</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Okuma sayısı</source>
        <translation>Readings</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Tarama frekansı</source>
        <translation>Sampling interval</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Notlar</source>
        <translation>Notes</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Zaman eğrisi</source>
        <translation>Time history</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Özet ve akustik değerler</source>
        <translation>Summary and acoustic levels</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Mesleki gürültü maruziyeti</source>
        <translation>Occupational noise exposure</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Çevresel gürültü göstergeleri</source>
        <translation>Environmental noise indicators</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Sınır aşımları</source>
        <translation>Limit exceedances</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Aralık tablosu (%1)</source>
        <translation>Interval table (%1)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Sınır %1 dB</source>
        <translation>Limit %1 dB</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ortalama</source>
        <translation>Average</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 dB (aritmetik)</source>
        <translation>%1 dB (arithmetic mean)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Birim</source>
        <translation>Unit</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Sınır</source>
        <translation>Limit</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>yok</source>
        <translation>none</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Uygulanamaz: %1</source>
        <translation>Not applicable: %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>girilen vardiya</source>
        <translation>shift entered</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ölçülen süre</source>
        <translation>measured duration</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>doz sıfır</source>
        <translation>zero dose</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ölçülen süre</source>
        <translation>Measured duration</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>OSHA doz</source>
        <translation>OSHA dose</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>NIOSH doz</source>
        <translation>NIOSH dose</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>AB değeri (2003/10/AT)</source>
        <translation>EU value (2003/10/EC)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Durum</source>
        <translation>Status</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Alt eylem değeri</source>
        <translation>Lower exposure action value</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Üst eylem değeri</source>
        <translation>Upper exposure action value</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Sınır değer</source>
        <translation>Exposure limit value</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ulaşıldı</source>
        <translation>reached</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ulaşılmadı</source>
        <translation>not reached</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ulaşılan en yüksek değer: %1.</source>
        <translation>Highest value reached: %1.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Okuma yok.</source>
        <translation>No readings.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Okumalar C ağırlıklı (dBC); maruziyet değerleri A ağırlıklı okumalar ister.</source>
        <translation>The readings are C-weighted (dBC); exposure figures need A-weighted readings.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Okumalarda A ve C ağırlıklı değerler karışık; maruziyet değerleri yalnız A ağırlıklı okumalardan hesaplanır.</source>
        <translation>The readings mix A- and C-weighted levels; exposure figures are calculated from A-weighted readings only.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Bir okumanın zaman damgası okunamıyor; saate bağlı değerler hesaplanamaz.</source>
        <translation>A reading&apos;s time stamp cannot be read, so figures that depend on the time of day cannot be calculated.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>hiçbiri</source>
        <translation>none</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>alt eylem değeri</source>
        <translation>the lower exposure action value</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>üst eylem değeri</source>
        <translation>the upper exposure action value</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>sınır değer</source>
        <translation>the exposure limit value</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ölçüm süresi</source>
        <translation>Measurement span</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Kapsanan süre</source>
        <translation>Time covered</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Boşluk (okumasız)</source>
        <translation>Gaps (no readings)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Gün sayısı</source>
        <translation>Days</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Gösterge</source>
        <translation>Indicator</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Saatler</source>
        <translation>Hours</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Düzey</source>
        <translation>Level</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Kapsam</source>
        <translation>Coverage</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>okuma yok</source>
        <translation>no readings</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>eksik</source>
        <translation>incomplete</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>tam</source>
        <translation>complete</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Lgündüz</source>
        <translation>Lday</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Lakşam (+5 dB)</source>
        <translation>Levening (+5 dB)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Lgece (+10 dB)</source>
        <translation>Lnight (+10 dB)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>24 saat</source>
        <translation>24 hours</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>dönem eksik</source>
        <translation>period missing</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Sınır seviyesi ayarlanmamış.</source>
        <translation>No limit level is set.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Sınır %1 dB üstünde %2 okuma, %3 süre; %4 aşım.</source>
        <translation>Readings above the %1 dB limit: %2, lasting %3 in all; exceedances: %4.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>No</source>
        <translation>No.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Süre</source>
        <translation>Duration</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>En uzun %1 aşım listelendi; %2 kısa aşım yukarıdaki toplamlarda sayıldı.</source>
        <translation>The %1 longest exceedances are listed; the totals above count the shorter ones too (%2).</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Sayfa %1 / %2</source>
        <translation>Page %1 of %2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Boşluk sayısı</source>
        <translation>Gaps</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 dB  (%2 tam gün)</source>
        <translation>%1 dB  (whole days: %2)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>– (bir dönem okumasız)</source>
        <translation>– (a period without readings)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>– (tam gün yok)</source>
        <translation>– (no whole day)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Günlük tablo (%1–%1)</source>
        <translation>Daily table (%1 to %1)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Gündüz %1–%2, akşam %2–%3 (+5 dB), gece %3–%1 (+10 dB); bir günün gecesi akşamından sonraki gecedir.</source>
        <translation>Day %1–%2, evening %2–%3 (+5 dB), night %3–%1 (+10 dB); a day’s night is the one after its evening.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Bütün ölçüm: %1 – %2</source>
        <translation>Whole survey: %1 – %2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>A–B arası: %1 – %2</source>
        <translation>Span A–B: %1 – %2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>İşaretler</source>
        <translation>Marks</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Olaylar</source>
        <translation>Events</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%2 olayın Lmax&apos;ı en yüksek %1 tanesi.</source>
        <translation>The %1 with the highest Lmax of %2 events.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Arka plan seviyesi</source>
        <translation>Background level</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ABL: dönemin kapsanmış çeyrek saatlerinin LA90 değerlerinin alt yüzde onluğu; RBL: dönemin ABL&apos;lerinin günler üzerinden medyanı.</source>
        <translation>ABL: the lower tenth percentile of the LA90 of the period&apos;s covered quarter hours; RBL: the median of the period&apos;s ABLs over the dates.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Değerlendirilen</source>
        <translation>Assessed</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Bütün okumalar</source>
        <translation>All readings</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Hariç tutulan</source>
        <translation>Excluded</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Artık ses</source>
        <translation>Residual sound</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 okuma, %2</source>
        <translation>%1 readings, %2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>belirlenemez: fark ≤ 3 dB</source>
        <translation>not determinable: ≤ 3 dB apart</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Değerler hariç ve artık ses işaretlerindeki okumalar dışarıda bırakılarak hesaplandı; işaretlerin süresi kapsanmamış sayılır.</source>
        <translation>The figures leave out the readings in exclude and residual marks; the time of the marks counts as not covered.</translation>
    </message>
</context>
<context>
    <name>SeriesFiles</name>
    <message>
        <location filename="../../src/files/SeriesFiles.cpp" line="+63"/>
        <source>Excel çalışma kitabı (*.xlsx)</source>
        <translation>Excel workbook (*.xlsx)</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>%1 zaten var.
Değiştirilsin mi?</source>
        <translation>%1 already exists.
Do you want to replace it?</translation>
    </message>
</context>
<context>
    <name>SurveyDlg</name>
    <message>
        <location filename="../../src/ui/SurveyDlg.cpp" line="+27"/>
        <source>Ölçüm başlat</source>
        <translation>Start survey</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Her saat bir dosya</source>
        <translation>A file an hour</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Her gün bir dosya</source>
        <translation>A file a day</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>1 saat</source>
        <translation>1 hour</translation>
    </message>
    <message numerus="yes">
        <location line="+0"/>
        <source>%n dakika</source>
        <translation>
            <numerusform>%n minute</numerusform>
            <numerusform>%n minutes</numerusform>
        </translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Klasör:</source>
        <translation>Folder:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Örnekleme aralığı:</source>
        <translation>Sampling interval:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Veri dosyaları:</source>
        <translation>Data files:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Özet aralığı:</source>
        <translation>Summary interval:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Eşik aşımlarını exceedances.csv&apos;ye yaz</source>
        <translation>Write exceedances to exceedances.csv</translation>
    </message>
    <message>
        <location line="+10"/>
        <location line="+1"/>
        <source> dB</source>
        <translation> dB</translation>
    </message>
    <message>
        <location line="+1"/>
        <source> s</source>
        <translation> s</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Eşik (üstü):</source>
        <translation>Threshold (above):</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Histerezis:</source>
        <translation>Hysteresis:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>En kısa olay:</source>
        <translation>Shortest event:</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Ölçüm ağına yayınla: %1</source>
        <translation>Publish to the measurement network: %1</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>Saha:</source>
        <translation>Site:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ölçer adı:</source>
        <translation>Meter name:</translation>
    </message>
    <message>
        <location line="-6"/>
        <source>yok: broker&apos;ın aldığı gönderilmiş sayılır</source>
        <translation>none: what the broker has counts as sent</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Virgülle ayrılmış toplayıcı adları (vrel-cli collect --name): ölçümün dosyaları bunların hepsi diske yazana dek bekler ve eksikleri yeniden gönderilir.</source>
        <translation>Collector names separated by commas (vrel-cli collect --name): the survey&apos;s files wait until all of them have written them to disk, and whatever one lacks is sent again.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Arşivleyenler:</source>
        <translation>Archived by:</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Broker parolası:</source>
        <translation>Broker password:</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Bu klasördeki ölçüm sürdürülür: yeni dosyalar eklenir, aradaki süre events.csv&apos;ye yeniden başlama boşluğu olarak yazılır.</source>
        <translation>The survey in this folder goes on: new files are added, and the time in between goes to events.csv as a restart gap.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Ölçer bağlı kaldıkça her örnek hemen diske yazılır; örnek sınırı yoktur.</source>
        <translation>Every sample goes to the disk as it is taken, for as long as the meter stays connected; there is no sample limit.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Başlat</source>
        <translation>Start</translation>
    </message>
</context>
<context>
    <name>SurveyPlot</name>
    <message>
        <location filename="../../src/surveywindow/SurveyPlot.cpp" line="+67"/>
        <source>boşluk</source>
        <translation>gap</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>bağlantı koptu</source>
        <translation>disconnected</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ölçer sessiz</source>
        <translation>meter silent</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>HOLD</source>
        <translation>HOLD</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ölçüm durmuştu</source>
        <translation>survey not running</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>yazılamadı</source>
        <translation>not written</translation>
    </message>
    <message>
        <location line="+318"/>
        <source>Seviye</source>
        <translation>Level</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Aralık Leq</source>
        <translation>Interval Leq</translation>
    </message>
</context>
<context>
    <name>SurveyStart</name>
    <message>
        <location filename="../../src/app/SurveyStart.cpp" line="+41"/>
        <source>Bu bir ölçerin veritabanı adresi değil:</source>
        <translation>This is not a meter&apos;s database address:</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Veritabanından aç</source>
        <translation>Open from database</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ölçerin veritabanı adresi (postgresql://KULLANICI@SUNUCU/VT?site=…&amp;meter=…):</source>
        <translation>The meter&apos;s database address (postgresql://USER@HOST/DB?site=…&amp;meter=…):</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>Ölçer bağlı değil: ölçüm başlatılamaz. Ölçeri bağlayın ve portunu &quot;COM portu&quot; menüsünden seçin.</source>
        <translation>No meter is connected: a survey cannot start. Connect the meter and choose its port in the &quot;COM Port&quot; menu.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Ölçümün klasörü</source>
        <translation>The survey&apos;s folder</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>Bu klasörde bir ölçüm zaten sürüyor:</source>
        <translation>A survey is running in this folder already:</translation>
    </message>
    <message>
        <location line="+25"/>
        <source>Ölçüm bu klasöre yazılamaz:</source>
        <translation>The survey cannot be written to this folder:</translation>
    </message>
    <message>
        <location line="+35"/>
        <source>Ölçüm ağına yayın başlatılamadı:</source>
        <translation>Publishing to the measurement network could not start:</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Saha, ölçer ve toplayıcı adları a-z, 0-9, _ ve - ile en çok 32 karakter olmalı.</source>
        <translation>Site, meter and collector names are 1 to 32 of a-z, 0-9, _ and -.</translation>
    </message>
    <message>
        <location line="+25"/>
        <source>Ölçüm sürüyor:</source>
        <translation>A survey is running:</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Ölçüm durdurulup dosyaları kapatılsın ve program kapansın mı?</source>
        <translation>Stop the survey, close its files and quit the program?</translation>
    </message>
</context>
<context>
    <name>SurveyTables</name>
    <message>
        <location filename="../../src/surveywindow/SurveyTables.cpp" line="+63"/>
        <source>Değer</source>
        <translation>Figure</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Tümü</source>
        <translation>Whole</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>A-B arası</source>
        <translation>A to B</translation>
    </message>
    <message>
        <location line="+39"/>
        <source>ABL gündüz</source>
        <translation>ABL day</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>ABL akşam</source>
        <translation>ABL evening</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>ABL gece</source>
        <translation>ABL night</translation>
    </message>
</context>
<context>
    <name>WindowReport</name>
    <message>
        <location filename="../../src/ui/WindowReport.cpp" line="+126"/>
        <location line="+60"/>
        <location line="+23"/>
        <source>Rapor</source>
        <translation>Report</translation>
    </message>
    <message>
        <location line="-23"/>
        <location line="+23"/>
        <source>Rapor için okuma yok.</source>
        <translation>No readings to report.</translation>
    </message>
    <message>
        <location line="-76"/>
        <source>Rapor ayarları kaydedilemedi.</source>
        <translation>The report settings could not be saved.</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>PDF dosyası (*.pdf)</source>
        <translation>PDF file (*.pdf)</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>%1 oluşturulamıyor: %2</source>
        <translation>Cannot create %1: %2</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>%1 yazılamıyor: %2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
</context>
</TS>
