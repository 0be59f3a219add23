pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "limits.js" as Limits
import "money.js" as Money
import "outcome.js" as Outcome
import "palette.js" as Palette
import "serviceorigin.js" as Service
import "sizes.js" as Sizes
import "value.js" as Value
import "wording.js" as Wording
import "parts"

// The freelancer's skill exams: the catalogue of skills with the badge earned and the next
// level, the proctored exam page with its countdown, and the service's verdict. While an exam is
// shown the view runs the proctor, watches the window's focus and reports every finding to the
// attempt; pass, review and badge are the service's decisions.
Item {
    id: v
    objectName: "SkillsView"

    property alias assessments: page.items
    property var exam: null
    property var answers: ({})
    property int remaining: 0
    property int violations: 0
    property string warning: ""
    property var result: null
    property string attemptId: ""
    property bool focusWas: true
    // The answers are on their way: neither a second press nor the clock sends them again.
    readonly property bool submitting: submitter.busy
    // An exam is being started: the take buttons wait.
    readonly property bool starting: starter.busy
    // Asked when the first exam page is shown and not followed during it: asking wakes the
    // multimedia back end (about 5 MB), which a visit to the catalogue alone does not need.
    property bool hasCamera: false
    property bool cameraAsked: false
    readonly property var proctor: session.proctor
    // What the exam page reads of the questions' answer, and what a verdict holds: without them
    // there is no exam to show, nor a result the service gave.
    readonly property var examExpects: ({ attempt: "record", questions: "list" })
    readonly property var verdictExpects: ({ passed: "flag", score: "count", total: "count" })

    // --- the page's rules, free of state ---

    // "1:05" for 65 seconds: whole minutes, then seconds in two digits.
    function clockText(seconds) {
        return Math.floor(seconds / 60) + ":" + ("0" + seconds % 60).slice(-2)
    }

    // The last minute shows in the alarm colour.
    function clockColor(seconds) {
        return seconds < 60 ? Palette.alarm : Palette.accent
    }

    // A proctor reason this page does not know shows what the proctor said about it.
    function violationLabel(reason, detail) {
        return ({ no_camera: "No webcam detected", voice: "Voice/audio detected",
                  clipboard: "Clipboard activity",
                  monitoring_unavailable: "Camera and microphone monitoring unavailable" })[reason]
            || detail
    }

    function violationWarning(label, count) {
        return "⚠ " + label + " (" + count + ") — " + v.reviewRule
    }

    function focusWarning(count) {
        return "⚠ Window focus lost (" + count + ") — stay on the exam. " + v.reviewRule
    }

    readonly property string reviewRule: ">" + Limits.reviewViolations + " goes to manual review."

    function monitorWarning(screens) {
        return "⚠ " + screens + " monitors detected — flagged."
    }

    // A catalogue row's level line: the badge held, then the next level and its fee, if any. A
    // level whose last attempt an admin still has to validate cannot be taken meanwhile. The top
    // is reached only by the service's word: the badge held is its last level; a next level that
    // is no level (an object, 2^53+1) says nothing about it.
    function levelLine(row) {
        var held = Value.count(row.badgeLevel) > 0 ? "🏅 Level " + row.badgeLevel : ""
        var next = v.nextLevel(row)
        if (next === null)
            return Value.line([held, held !== "" && row.badgeLevel === Value.count(row.maxLevel)
                                     ? "max level reached" : ""])
        if (row.inReview === true)
            return Value.line([held, "Level " + next + ": Under review"])
        return Value.line([held, "next: Level " + next,
                           row.feePaise === 0 ? "" : Money.rupees(row.feePaise)])
    }

    // The row's next level: a whole number from 1, else null.
    function nextLevel(row) {
        return Value.count(row.nextLevel) > 0 ? row.nextLevel : null
    }

    // Whether the row offers its next level: there is one, and it is not waiting for review.
    function canTake(row) {
        return v.nextLevel(row) !== null && row.inReview !== true
    }

    function resultTitle(r) {
        if (r.forfeited === true)
            return "Forfeited"
        return r.inReview === true ? "Under review" : (r.passed ? "🏆 Passed!" : "Not passed")
    }

    // The count shown is the service's, which also holds what it recorded itself. A verdict
    // always has its score (verdictExpects); the rest shows only as far as the service sent it.
    function resultText(r) {
        var text = "Score: " + r.score + "/" + r.total
        if (r.forfeited === true)
            return text + "\n\nYou forfeited this attempt; it earns no badge."
        if (r.inReview === true)
            return text + "\n\n" + Value.line([
                Value.counted(r.violations, " proctoring violations recorded"),
                "an admin will validate your " + (r.provisionalPassed === true ? "provisional PASS"
                                                                               : "result")
                + " before the badge is issued."], " — ")
        if (r.passed && Outcome.isRecord(r.badge))
            return Value.line([text, Value.framed("Badge: ", Value.line([
                                   Value.text(r.badge.skill),
                                   Value.framed("Level ", Value.text(r.badge.level))], " "))],
                              "\n\n")
        return text
    }

    // --- requests ---

    function load() {
        page.reload()
    }

    // Starting is one intent: the take buttons wait while it is under way, and only the newest
    // start's replies count.
    function begin(skill, level) {
        starter.call("POST", "api/assessments/" + Outcome.seg(skill) + "/" + Outcome.seg(level)
                     + "/start", {}, function (status, data) {
            if (Outcome.ok(status) && data && data.razorpay) {
                session.toast("Exam fee needs payment — complete on "
                          + Service.origin.replace(/^https:\/\//, ""))
                handOff.open("/skills")
                return
            }
            // A success without an attempt starts nothing either.
            var attempt = data && data.attempt
            if (!Outcome.ok(status) || !attempt || attempt.id === undefined || attempt.id === null) {
                session.toast(Wording.said(data, "Could not start"))
                return
            }
            v.attemptId = String(attempt.id)
            v.loadQuestions()
        })
    }

    function loadQuestions() {
        starter.call("GET", "api/assessments/attempts/" + Outcome.seg(attemptId) + "/questions",
                     null, function (status, data) {
            if (!Outcome.loaded(status, data, v.examExpects)) {
                session.toast("Could not load questions")
                return
            }
            v.answers = {}
            v.violations = 0
            v.warning = ""
            var left = Number(data.attempt.remainingSeconds)
            v.remaining = left > 0 ? left : (Number(data.attempt.timeLimitSeconds) || 0)
            var screens = session.api.screenCount()
            if (screens > 1) {
                v.violations += 1
                v.warning = v.monitorWarning(screens)
                v.logEvent("multi_monitor", screens + " displays")
            }
            // Shown before the proctor starts: a missing camera is reported inside start().
            if (!v.cameraAsked) {
                v.hasCamera = v.proctor.hasCamera()
                v.cameraAsked = true
            }
            data.questions = Value.rows(data.questions)
            v.exam = data
            v.proctor.start()
        })
    }

    function logEvent(kind, detail, image) {
        if (attemptId === "")
            return
        // Fire and forget: a lost event is not retried and not shown.
        reporter.call("POST", "api/assessments/attempts/" + Outcome.seg(attemptId) + "/proctor",
                      { kind: kind, detail: detail || "", imageData: image || "" }, function () {})
    }

    function submit(forfeited) {
        if (exam === null || submitting)
            return
        // Camera and microphone are released before the answers leave, whatever the outcome.
        proctor.stop()
        submitter.send("POST", "api/assessments/attempts/" + Outcome.seg(exam.attempt.id) + "/submit", {
                           answers: answers,
                           forfeited: forfeited === true,
                           proctoringViolations: violations
                       }, function (ok, data, status, raw) {
            v.attemptId = ""
            if (!ok) {
                session.toast(Wording.said(data, "Submit failed"))
                return
            }
            // Taken by the service, verdict or not: the exam is over either way, and without a
            // verdict the page says it could not read one instead of making one up.
            if (Outcome.holds(data, v.verdictExpects))
                v.result = data
            else
                session.toast(Wording.failure(status, data, raw))
            v.exam = null
            v.load()
        })
    }

    // --- the running exam ---

    function choose(questionId, key) {
        var next = Object.assign({}, answers)
        next[questionId] = key
        answers = next
    }

    function tick() {
        if (remaining <= 0)
            return
        remaining -= 1
        if (remaining === 0) {
            session.toast("Time up — submitting")
            submit(false)
        }
    }

    function countViolation(text) {
        violations += 1
        warning = text
    }

    // Leaving the tab (or signing out) mid-exam destroys the page: nothing is submitted, but
    // camera and microphone must not keep running with no exam on screen.
    Component.onDestruction: if (exam !== null) proctor.stop()

    Latest {
        id: starter
    }
    Session {
        id: session
    }
    // A fee paid in the browser: the levels are fetched again when the person comes back, unless
    // an exam started meanwhile (leaving its window is then a violation, not a return).
    HandOff {
        id: handOff
        onReturned: if (v.attemptId === "") v.load()
    }
    Latest {
        id: reporter
    }
    Writer {
        id: submitter
    }

    Timer {
        interval: 1000
        repeat: true
        running: v.exam !== null
        onTriggered: v.tick()
    }

    Connections {
        target: v.proctor
        function onViolation(reason, detail) {
            if (v.exam === null)
                return
            v.countViolation(v.violationWarning(v.violationLabel(reason, detail), v.violations + 1))
            v.logEvent(reason, detail)
        }
        function onSnapshot(dataUrl) {
            if (v.exam !== null)
                v.logEvent("webcam", "", dataUrl)
        }
    }

    Connections {
        target: session
        function onActiveChanged() {
            if (v.exam === null)
                return
            var active = session.active
            if (v.focusWas && !active) {
                v.countViolation(v.focusWarning(v.violations + 1))
                v.logEvent("focus_loss", "")
            }
            v.focusWas = active
        }
    }

    ListPage {
        id: page
        anchors.fill: parent
        visible: v.exam === null
        title: "Skills & certification"
        path: "api/assessments/available"
        member: "assessments"

        above: Line {
            text: "Proctored exams with advanced hardware monitoring: live webcam presence + "
                + "snapshots, microphone voice detection, focus tracking, multi-monitor detection, "
                + "clipboard watch. Pass ≥60% for a verified badge."
        }

        delegate: Card {
            id: card
            objectName: "skillCard_" + index
            title: Value.text(modelData.skill)

            RowLayout {
                spacing: 8
                Line {
                    objectName: "levelLine_" + card.index
                    kind: "meta"
                    text: v.levelLine(card.modelData)
                }
                SteadyButton {
                    objectName: "takeButton_" + card.index
                    visible: v.canTake(card.modelData)
                    enabled: !v.starting
                    text: Value.framed("Take Level ", Value.text(v.nextLevel(card.modelData)))
                    onClicked: v.begin(card.modelData.skill, card.modelData.nextLevel)
                }
            }
        }
    }

    ColumnLayout {
        objectName: "examPage"
        anchors.fill: parent
        anchors.margins: 24
        spacing: 10
        visible: v.exam !== null

        RowLayout {
            Layout.fillWidth: true
            Heading {
                objectName: "examTitle"
                font.pixelSize: Sizes.subtitle
                text: !v.exam ? "" : Value.line([
                          Value.text(v.exam.attempt.skill),
                          Value.framed("Level ", Value.text(v.exam.attempt.level))], " — ")
            }
            Label {
                objectName: "clock"
                text: v.clockText(v.remaining)
                color: v.clockColor(v.remaining)
                font.pixelSize: Sizes.clock
                font.bold: true
            }
        }

        Line {
            objectName: "warningLine"
            kind: "alarm"
            visible: v.warning !== ""
            text: v.warning
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 12
            Label {
                objectName: "webcamLabel"
                // The proctor says why it cannot watch: no camera is then no finding.
                readonly property string unavailable: v.proctor.unavailable
                text: unavailable !== "" ? "🚫 Camera and microphone monitoring unavailable: " + unavailable
                    : v.hasCamera ? "🎥 Webcam active" : "🚫 No webcam"
                color: v.hasCamera && unavailable === "" ? Palette.accent : Palette.alarm
                // The reason may be long (a library's own words): it wraps, as plain text.
                Layout.fillWidth: true
                wrapMode: Text.Wrap
                textFormat: Text.PlainText
                font.pixelSize: Sizes.meta
            }
            Label {
                text: "🎙 Mic"
                color: Palette.secondary
                font.pixelSize: Sizes.meta
            }
            Rectangle {
                implicitWidth: 120
                implicitHeight: 8
                radius: 4
                color: Palette.window
                Accessible.role: Accessible.ProgressBar
                Accessible.name: "Microphone level"
                Rectangle {
                    objectName: "micFill"
                    width: parent.width * Math.max(0, Math.min(100, v.proctor.micLevel)) / 100
                    height: parent.height
                    radius: 4
                    // Where the proctor starts counting toward a voice violation.
                    color: v.proctor.micLevel > Limits.loudLevel ? Palette.alarm : Palette.accent
                }
            }
            Item {
                Layout.fillWidth: true
            }
            Label {
                objectName: "violationsLabel"
                text: "Violations: " + v.violations
                color: v.violations > Limits.reviewViolations ? Palette.alarm : Palette.muted
                font.pixelSize: Sizes.meta
            }
        }

        CardList {
            objectName: "questionList"
            spacing: 10
            rows: v.exam ? v.exam.questions : []
            delegate: Card {
                id: question
                objectName: "question_" + index
                rowLabel: Value.paragraph(modelData.question)

                Line {
                    kind: "plain"
                    font.bold: true
                    text: question.rowLabel
                }
                // Each option carries its question's id: when the exam ends the card goes before
                // its options, which then still read their own record.
                FewRows {
                    objectName: "options_" + question.index
                    rows: Value.rows(question.modelData.options).map(
                              o => Object.assign({ question: question.modelData.id }, o))
                    key: question.index
                    delegate: NestedRow {
                        id: option
                        Choice {
                            objectName: "option_" + option.tag
                            text: Value.text(option.modelData.text)
                            checked: v.answers[option.modelData.question] === option.modelData.key
                            onClicked: v.choose(option.modelData.question, option.modelData.key)
                        }
                    }
                }
            }
        }

        RowLayout {
            spacing: 8
            SteadyButton {
                objectName: "submitExamButton"
                text: "Submit exam"
                enabled: !!v.exam && !v.submitting
                         && Object.keys(v.answers).length === v.exam.questions.length
                onClicked: v.submit(false)
            }
            SteadyButton {
                objectName: "forfeitButton"
                text: "Forfeit"
                enabled: !v.submitting
                onClicked: v.submit(true)
            }
        }
    }

    Dialog {
        id: resultDialog
        objectName: "resultDialog"
        modal: true
        width: Sizes.shortDialog
        anchors.centerIn: parent
        closePolicy: Popup.CloseOnEscape
        title: v.result ? v.resultTitle(v.result) : ""
        // A light sheet: the verdict is written in the dark window colour.
        palette.window: Palette.sheet
        palette.windowText: Palette.window

        header: Label {
            text: resultDialog.title
            textFormat: Text.PlainText
            color: Palette.window
            font.bold: true
            padding: 12
        }

        property bool shown: v.result !== null
        onShownChanged: shown ? open() : close()
        // A reader hears the verdict by its title (Accessible attaches to items, not popups).
        Component.onCompleted: contentItem.parent.Accessible.name = Qt.binding(() => title)
        // Enter or Space dismisses the verdict.
        onOpened: okButton.forceActiveFocus()
        onClosed: v.result = null

        Label {
            objectName: "resultText"
            width: parent.width
            text: v.result ? v.resultText(v.result) : ""
            // The badge's skill is the service's word: never read it as markup.
            textFormat: Text.PlainText
            color: Palette.window
            wrapMode: Text.WordWrap
        }

        footer: RowLayout {
            Item {
                Layout.fillWidth: true
            }
            SteadyButton {
                id: okButton
                objectName: "resultOk"
                Layout.margins: 8
                text: "OK"
                onClicked: v.result = null
            }
        }
    }
}
