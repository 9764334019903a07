// The conditions window, the home window of the program: the user enters the
// exposure conditions, the window computes the spectrum and the tube output,
// writes the job file "B2F.txt" and starts the engine for the patient position.
// Closing it, or its Exit button, ends the program.
#pragma once

#include <QWidget>

#include "textrec/planes.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;

class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(QWidget* parent = nullptr);

    // False when the spectrum tables could not be loaded; the program then ends
    // after its message.
    bool tablesLoaded() const { return tablesLoaded_; }

    // Input fields (see the labels beside them).
    QLineEdit* Text1 = nullptr;  // tube voltage, kV
    QLineEdit* Text2 = nullptr;  // inherent filtration, mm Al equivalent
    QLineEdit* Text3 = nullptr;  // added aluminium, mm
    QLineEdit* Text4 = nullptr;  // added copper, mm
    QLineEdit* Text5 = nullptr;  // target angle, degrees
    QLineEdit* Text6 = nullptr;  // pulse width, ms
    QLineEdit* Text7 = nullptr;  // focus-to-surface distance, cm
    QLineEdit* Text8 = nullptr;  // effective (mean) tube current of a run, mA
    QLineEdit* Text9 = nullptr;  // histories
    QLineEdit* Text10 = nullptr; // result file name without extension
    QLineEdit* Text12 = nullptr; // pulse rate, pps
    QLineEdit* Text13 = nullptr; // field size at the FSD, long axis, cm
    QLineEdit* Text14 = nullptr; // field size at the FSD, short axis, cm
    QLineEdit* Text15 = nullptr; // fluoroscopy tube current (during a pulse), mA
    QLineEdit* Text16 = nullptr; // height of the phantom's centre above the floor, cm
    QLineEdit* Text17 = nullptr; // heights above the floor to map, cm, a list
    QCheckBox* Check1 = nullptr; // the vertical section across the patient

    QRadioButton* Option1 = nullptr; // continuous fluoroscopy
    QRadioButton* Option2 = nullptr; // pulsed fluoroscopy
    QRadioButton* Option3 = nullptr; // lying: vertical beam, Quenro-11
    QRadioButton* Option4 = nullptr; // standing: horizontal beam, Quenro-22
    QRadioButton* Option5 = nullptr; // lying: the X-ray tube above the table
    QRadioButton* Option6 = nullptr; // lying: the X-ray tube below the table
    QGroupBox* Frame4 = nullptr;     // Option5 and Option6, off for the standing patient
    QRadioButton* Option7 = nullptr; // constant potential
    QRadioButton* Option8 = nullptr; // three-phase 12-peak
    QRadioButton* Option9 = nullptr; // single-phase full-wave

    QPushButton* Command1 = nullptr; // start a run
    QPushButton* Command2 = nullptr; // results viewer
    QPushButton* Command4 = nullptr; // Exit
    QPushButton* Command5 = nullptr; // mean tube current

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // Sections of the window, in the order they are built.
    void createControls();
    QLayout* buildTitle();
    QFrame* buildGeometryStep();
    QFrame* buildPlanesBox();
    QFrame* buildConditionsStep();
    QFrame* buildHistoriesStep();
    QFrame* buildButtonColumn();
    // Labels of the sections.
    QLabel* stepLabel(const QString& number);
    QLabel* heading(const QString& text);
    QWidget* shadowTitle(const QString& text, double pointScale, bool italic);
    void connectHandlers();
    void loadForm();

    void command1Click(); // start a run
    void command2Click(); // open the results viewer
    void command4Click(); // Exit
    void command5Click(); // mean tube current
    void option1Click();  // continuous
    void option2Click();  // pulsed
    // Lying or standing: only the lying patient may have the tube below the table.
    void positionChanged();

    // Steps of a run; each returns false when the run stops there.
    bool checkRunInputs();
    // Refuses a count of histories that the job file cannot hand to the engine
    // as typed.
    bool checkHistoryCount();
    // Refuses a result name that cannot be listed or copied to any machine.
    // `extraMaps`: the run writes more result files, whose longest name the
    // plane check measures instead of the typed name's 25 bytes.
    bool checkResultName(bool extraMaps);
    // Asks before a run replaces existing result files.
    bool confirmReplacingResults();
    // The result files the run writes: the typed name with ".data", and one
    // for each extra map.
    QStringList resultFileNames() const;
    // The typed result name with ".data".
    QString resultFileName() const;
    bool checkWorkFolderWritable();
    bool computeSpectrumAndOutput();
    bool writeJobFile();
    void startEngine();

    bool tablesLoaded_ = false;
    // The maps in other planes that the run being started asks for, as checked.
    textrec::planes::PlaneRequest planes_;
    int nextLabel_ = 1;
    QLabel* newLabel(const QString& text, QWidget* parent = nullptr);
};
