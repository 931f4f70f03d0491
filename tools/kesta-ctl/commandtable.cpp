// The task commands' table: names, words, options and manual pages. The
// completion scripts are generated from it.
#include "model/assignmenttable.h"
#include "model/lightingmodel.h"
#include "tools/kesta-ctl/tasks.h"

namespace Ctl {

namespace {

QList<TaskCommand> buildTable()
{
    QList<TaskCommand> t;
    t.append({QStringLiteral("status"),
              QStringLiteral("the mouse and the settings in use"),
              {},
              {QStringLiteral("--json")},
              QStringLiteral(R"(NAME
    kesta-ctl status - the mouse and the settings in use

SYNOPSIS
    kesta-ctl status [--json]

DESCRIPTION
    Says whether a configured mouse answered, its command family and whether
    its frames are scrambled, the profile in use, office or game mode, the
    stored report rate (the mouse cannot be asked for it), and what the mouse
    reports itself: the current DPI stage, and the keyboard options (553
    family) or its current on-board profile (560 family). A mouse that is
    plugged in but that this user may not open shows as found, no permission,
    with its node and what to do: install 70-kesta.rules and plug the mouse
    in again (with --json, noPermission names the node). Exit status 0
    whether or not a mouse answered.

EXAMPLES
    kesta-ctl status
    kesta-ctl status --json
)")});
    t.append({QStringLiteral("dpi"),
              QStringLiteral("DPI stages: values, stages in use, colours"),
              {QStringLiteral("show"), QStringLiteral("set"), QStringLiteral("count"),
               QStringLiteral("enable"), QStringLiteral("disable"), QStringLiteral("colour"),
               QStringLiteral("current")},
              {QStringLiteral("--json")},
              QStringLiteral(R"(NAME
    kesta-ctl dpi - the DPI stages

SYNOPSIS
    kesta-ctl dpi [show] [--json]
    kesta-ctl dpi set STAGE=DPI...
    kesta-ctl dpi count N
    kesta-ctl dpi enable|disable STAGE...
    kesta-ctl dpi colour STAGE #rrggbb
    kesta-ctl dpi current STAGE

DESCRIPTION
    Stages are numbered 1 to 8. A DPI value lies between the mouse's minimum
    and maximum (mouse/minDPI, mouse/maxDPI) on its grid (mouse/dpiBase):
    500 to 7000 in steps of 500 for the shipped mouse.
    count N shows stages 1 to N, all enabled, as the DPI page's count box
    does; enable and disable tick shown stages, and the count in use becomes
    the number of shown stages enabled (one always stays enabled). A stage
    that is not shown is stored and sent as off. Stages 1 to 6 have a
    colour; 7 and 8 light white. current switches the mouse to a stage in
    use.
    Every change stores the stages in the current profile and sends them
    with their colours, as the DPI page does.

EXAMPLES
    kesta-ctl dpi set 1=500 2=1500 3=3000
    kesta-ctl dpi count 3
    kesta-ctl dpi disable 2
    kesta-ctl dpi colour 1 "#00ff00"
    kesta-ctl dpi current 2
)")});
    t.append({QStringLiteral("rate"),
              QStringLiteral("report rate"),
              {QStringLiteral("125"), QStringLiteral("250"), QStringLiteral("500"),
               QStringLiteral("1000")},
              {QStringLiteral("--json")},
              QStringLiteral(R"(NAME
    kesta-ctl rate - the report rate

SYNOPSIS
    kesta-ctl rate [--json]
    kesta-ctl rate 125|250|500|1000

DESCRIPTION
    Without an argument shows the stored rate. With one, stores it in the
    current profile (mouse/reportRate, 0..3) and sends it to the mouse.

EXAMPLES
    kesta-ctl rate 500
)")});
    t.append({QStringLiteral("lod"),
              QStringLiteral("lift-off distance"),
              {QStringLiteral("low"), QStringLiteral("medium"), QStringLiteral("high"),
               QStringLiteral("on"), QStringLiteral("off")},
              {QStringLiteral("--json")},
              QStringLiteral(R"(NAME
    kesta-ctl lod - the lift-off distance

SYNOPSIS
    kesta-ctl lod [--json]
    kesta-ctl lod [low|medium|high] [on|off]

DESCRIPTION
    low, medium and high are the page's L, M and H: the slider positions 3,
    164 and 325 of the lift-off slider; on and off its check box. Stores
    mouse/lod, mouse/reportRateLod and mouse/lodEn in the current profile
    and sends the distance.

EXAMPLES
    kesta-ctl lod high
    kesta-ctl lod low off
)")});
    t.append(
        {QStringLiteral("light"),
         QStringLiteral("lighting presets"),
         {QStringLiteral("show"), QStringLiteral("set")},
         {QStringLiteral("--json"), QStringLiteral("--preset"), QStringLiteral("--effect"),
          QStringLiteral("--speed"), QStringLiteral("--brightness"), QStringLiteral("--direction"),
          QStringLiteral("--block"), QStringLiteral("--colour")},
         QStringLiteral(R"(NAME
    kesta-ctl light - the lighting

SYNOPSIS
    kesta-ctl light [show] [--json]
    kesta-ctl light set [--preset 1..4] [--effect EFFECT] [--speed 1..5]
                        [--brightness 0..100] [--direction cw|ccw]
                        [--block 1..15] [--colour #rrggbb]

DESCRIPTION
    The lighting page keeps four presets; --preset makes one current, the
    other options change it. Effects: static, breath, neon, flow,
    symmetric, off. Speed and brightness are what the window shows:
    "Speed 1" to "Speed 5", and the brightness in percent, which the
    page keeps in 51 steps (a percent no step shows takes the nearest
    step: 40 shows as 39%). cw and ccw are the page's clockwise and anti
    clockwise (up and down for symmetric). The mouse lights the selected
    colour block (--block); --colour changes that block. Stores the
    preset in the current profile and sends it. show prints the same
    units.

EXAMPLES
    kesta-ctl light set --effect breath --speed 3 --brightness 40
    kesta-ctl light set --colour "#0080ff"
)")});
    t.append({QStringLiteral("pointer"),
              QStringLiteral("pointer speed, double-click, scrolling"),
              {QStringLiteral("show"), QStringLiteral("set")},
              {QStringLiteral("--json"), QStringLiteral("--speed"),
               QStringLiteral("--double-click"), QStringLiteral("--scroll")},
              QStringLiteral(R"(NAME
    kesta-ctl pointer - the desktop's pointer settings

SYNOPSIS
    kesta-ctl pointer [show] [--json]
    kesta-ctl pointer set [--speed 0..10] [--double-click 0..10]
                          [--scroll LINES|page]

DESCRIPTION
    The settings page's pointer speed and double-click speed, as the speed
    its slider gives the desktop (0 slowest, 10 fastest: the slider's far
    end), and the lines a wheel step scrolls (1 to 100; page, or
    more than 100, scrolls a whole screen). Stores the page's values in the
    current profile, applies what changed to the desktop, and sends the
    lift-off distance as the page does.

EXAMPLES
    kesta-ctl pointer set --speed 6 --scroll 5
)")});
    t.append({QStringLiteral("button"),
              QStringLiteral("button assignments"),
              {QStringLiteral("list"), QStringLiteral("set")},
              {QStringLiteral("--json"), QStringLiteral("--mode"), QStringLiteral("--rate"),
               QStringLiteral("--times")},
              QStringLiteral(R"(NAME
    kesta-ctl button - the button assignments

SYNOPSIS
    kesta-ctl button [list] [--json]
    kesta-ctl button set BUTTON CHOICE [--mode MODE] [--rate MS] [--times N]

DESCRIPTION
    Buttons are named as on the button page: 1 to 14 (or ① to ⑭). list
    shows all sixteen positions of the matrix in use (the two without a
    label are fixed by the mouse).
    CHOICE is one of
        mouse:left|middle|right|forward|back|double-fire
        fire:KEY               a repeated key, every --rate ms (default 50),
                               --times times (default 0: endless)
        keys:COMBINATION       modifiers and up to two keys joined by +,
                               e.g. keys:ctrl+c, keys:ctrl+shift+esc
        media:player|next|previous|stop|mute|play-pause|volume-up|volume-down
        macro:NAME             a macro of the library on buttons 1..10, with
                               --mode once|loop-until-press|loop-until-release
        dpi:up|down|loop|sniper
        windows:my-pc|index|search|max|min|desktop|run
        shortcut:new|cut|copy|paste|save|print|find|redo|undo|select-all
        gun:1|2|3              game mode only
    Keys are named as in the macro editor: A..Z, 0..9, F1..F24, Enter,
    Esc, Space, Tab, KP+, MS-L and so on. Button 1 keeps the left click.
    The matrices are stored in the current profile and sent; a macro is
    also sent to the button's macro slot.

EXAMPLES
    kesta-ctl button set 4 media:mute
    kesta-ctl button set 5 keys:ctrl+c
    kesta-ctl button set 6 macro:Burst --mode loop-until-release
)")});
    t.append({QStringLiteral("profile"),
              QStringLiteral("profiles: list, switch, export, import, reset"),
              {QStringLiteral("list"), QStringLiteral("switch"), QStringLiteral("export"),
               QStringLiteral("import"), QStringLiteral("reset")},
              {QStringLiteral("--json"), QStringLiteral("--name")},
              QStringLiteral(R"(NAME
    kesta-ctl profile - the profiles

SYNOPSIS
    kesta-ctl profile [list] [--json]
    kesta-ctl profile switch PROFILE
    kesta-ctl profile export PROFILE FILE.pf
    kesta-ctl profile import FILE.pf [--name NAME]
    kesta-ctl profile reset [PROFILE]

DESCRIPTION
    PROFILE is a profile's name or number as list shows them (the one in
    use is marked *). switch makes a profile current and sends all its
    settings, as the program does; reset restores a profile's defaults (and
    sends them when it is the one in use). import takes the lowest free
    number and the name profile_0, profile_1, ... unless --name gives one;
    the list holds at most six profiles.

EXAMPLES
    kesta-ctl profile switch 1
    kesta-ctl profile export 0 office.pf
    kesta-ctl profile import office.pf --name Work
)")});
    t.append({QStringLiteral("macro"),
              QStringLiteral("the macro library"),
              {QStringLiteral("tree"), QStringLiteral("show"), QStringLiteral("create"),
               QStringLiteral("import"), QStringLiteral("export"), QStringLiteral("send"),
               QStringLiteral("create-folder"), QStringLiteral("rename-folder"),
               QStringLiteral("delete-folder")},
              {QStringLiteral("--json"), QStringLiteral("--repeat"), QStringLiteral("--folder")},
              QStringLiteral(R"(NAME
    kesta-ctl macro - the macro library

SYNOPSIS
    kesta-ctl macro [tree] [--json]
    kesta-ctl macro show PATH [--json]
    kesta-ctl macro create PATH STEP... [--repeat N]
    kesta-ctl macro import FILE.mc [--folder FOLDER]
    kesta-ctl macro export PATH FILE.mc
    kesta-ctl macro send PATH BUTTON
    kesta-ctl macro create-folder PATH
    kesta-ctl macro rename-folder PATH NEWNAME
    kesta-ctl macro delete-folder PATH

DESCRIPTION
    PATH is FOLDER/.../NAME in the library (a macro at the top is just
    NAME). Steps are press:KEY, release:KEY and delay:MS, keys named as in
    the macro editor (A, LCtrl, MS-L, ...); --repeat plays the macro N
    times (1..65535, default 1). send writes the macro into the mouse's
    slot of a button (1..10) without changing the button; to bind it use
    kesta-ctl button set BUTTON macro:NAME.
    create-folder, rename-folder and delete-folder work on folders as the
    macro editor's tree does: a folder holds at most four folder levels
    below the top, a name is one item per folder, and delete-folder takes
    the folder's macros with it (buttons of other profiles bound to them
    get their saved assignment back; a folder whose macro a button of the
    profile in use plays is refused).

EXAMPLES
    kesta-ctl macro create Burst press:A delay:50 release:A --repeat 3
    kesta-ctl macro show Burst
    kesta-ctl macro export Burst burst.mc
    kesta-ctl macro create-folder Games/Shooters
    kesta-ctl macro rename-folder Games/Shooters FPS
)")});
    t.append({QStringLiteral("app-profile"),
              QStringLiteral("per-application profiles: the window in front chooses"),
              {QStringLiteral("list"), QStringLiteral("set"), QStringLiteral("remove")},
              {QStringLiteral("--json")},
              QStringLiteral(R"(NAME
    kesta-ctl app-profile - profiles that follow the window in front

SYNOPSIS
    kesta-ctl app-profile [list] [--json]
    kesta-ctl app-profile set CLASS PROFILE
    kesta-ctl app-profile remove CLASS

DESCRIPTION
    While kesta-config runs on an X11 desktop (XWayland windows included),
    the profile follows the window in front: once a window has held the
    front for half a second, the profile of its class's rule is switched to,
    as the top bar switches it; a window without a rule brings back the
    profile last chosen by hand (the top bar, kesta-ctl profile switch, the
    bus). CLASS is the class part of the window's WM_CLASS, exactly as
    xprop shows it (second string), case included. PROFILE is a profile's
    name or number (0 to 5) as kesta-ctl profile list shows them; set
    replaces a class's rule. list shows the rules and the profile other
    windows bring back. A switch waits for a running transfer, a macro
    recording and unsaved edits in the window. Deleting a profile deletes
    its rules.
    Under Wayland the window in front cannot be seen: a compositor's
    shortcut or script can run kesta-ctl profile switch PROFILE instead.

EXAMPLES
    kesta-ctl app-profile set shooter_game Shooter
    kesta-ctl app-profile set browser 0
    kesta-ctl app-profile remove browser
)")});
    return t;
}

// Words that complete after the sub-command, by command.
QStringList valueWords(const QString &command)
{
    if (command == QLatin1String("button")) {
        QStringList out = AssignmentTable::fixedWords();
        out << QStringLiteral("fire:") << QStringLiteral("keys:") << QStringLiteral("macro:")
            << QStringLiteral("once") << QStringLiteral("loop-until-press")
            << QStringLiteral("loop-until-release");
        return out;
    }
    if (command == QLatin1String("light")) {
        return LightingModel::effectWords() + LightingModel::directionWords();
    }
    if (command == QLatin1String("lod")) {
        return {QStringLiteral("low"), QStringLiteral("medium"), QStringLiteral("high"),
                QStringLiteral("on"), QStringLiteral("off")};
    }
    if (command == QLatin1String("pointer"))
        return {QStringLiteral("page")};
    return {};
}

} // namespace

const QList<TaskCommand> &taskCommands()
{
    static const QList<TaskCommand> table = buildTable();
    return table;
}

const TaskCommand *findTask(const QString &name)
{
    for (const TaskCommand &c : taskCommands()) {
        if (c.name == name)
            return &c;
    }
    return nullptr;
}

QString completionScript(const QString &shell)
{
    if (shell != QLatin1String("bash") && shell != QLatin1String("zsh"))
        return QString();
    QStringList commands;
    for (const TaskCommand &c : taskCommands())
        commands.append(c.name);
    commands << QStringLiteral("call") << QStringLiteral("list") << QStringLiteral("completion")
             << QStringLiteral("help");
    QString s;
    // zsh loads a file of its fpath that starts so as the function _kesta-ctl.
    if (shell == QLatin1String("zsh"))
        s += QStringLiteral("#compdef kesta-ctl\n");
    s += QStringLiteral(
             "# Completion of kesta-ctl for %1; generated by 'kesta-ctl completion %1'.\n")
             .arg(shell);
    if (shell == QLatin1String("zsh"))
        s += QStringLiteral("autoload -U +X bashcompinit && bashcompinit\n");
    s += QStringLiteral(
        "_kesta_ctl() {\n"
        "    local line=${COMP_LINE:0:COMP_POINT}\n"
        "    local cur=${line##*[[:space:]]}\n"
        "    local i cmd= sub= words=\n"
        "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
        "        case ${COMP_WORDS[i]} in\n"
        "        --modules-dir | --answer) ((i++)) ;;\n"
        "        -*) ;;\n"
        "        *) if [[ -z $cmd ]]; then cmd=${COMP_WORDS[i]}; break; fi ;;\n"
        "        esac\n"
        "    done\n"
        "    for ((i = i + 1; i < COMP_CWORD; i++)); do\n"
        "        case ${COMP_WORDS[i]} in -*) ;; *) sub=${COMP_WORDS[i]}; break ;; esac\n"
        "    done\n"
        "    case $cmd in\n");
    s += QStringLiteral("    '') words='%1 --modules-dir --print-modules-dir --no-device --answer "
                        "--verbose --help' ;;\n")
             .arg(commands.join(QLatin1Char(' ')));
    for (const TaskCommand &c : taskCommands()) {
        const QStringList values = valueWords(c.name);
        const QString options =
            (c.options + QStringList{QStringLiteral("--help")}).join(QLatin1Char(' '));
        s += QStringLiteral("    %1)\n"
                            "        if [[ -z $sub ]]; then words='%2 %3'\n"
                            "        else words='%4 %3'; fi ;;\n")
                 .arg(c.name, c.words.join(QLatin1Char(' ')), options,
                      values.join(QLatin1Char(' ')));
    }
    s +=
        QStringLiteral("    call) [[ -z $sub ]] && words=$(\"${COMP_WORDS[0]}\" list 2>/dev/null | "
                       "sed 's/(.*//') ;;\n"
                       "    completion) words='bash zsh' ;;\n"
                       "    help) words='%1' ;;\n"
                       "    esac\n"
                       "    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
                       "    # The line breaks words at ':'; hand back only what follows it.\n"
                       "    if [[ $cur == *:* ]]; then\n"
                       "        local pre=${cur%%\"${cur##*:}\"}\n"
                       "        COMPREPLY=(\"${COMPREPLY[@]#\"$pre\"}\")\n"
                       "    fi\n"
                       "}\n"
                       "complete -F _kesta_ctl kesta-ctl\n")
            .arg(commands.join(QLatin1Char(' ')));
    // Loaded from the fpath at the first completion: that one is completed
    // too (later ones go to _kesta_ctl directly).
    if (shell == QLatin1String("zsh"))
        s += QStringLiteral(
            "if [[ $funcstack[1] == _kesta-ctl ]]; then _bash_complete -F _kesta_ctl; fi\n");
    return s;
}

} // namespace Ctl
