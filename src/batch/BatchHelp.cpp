#include "batch/BatchOptions.h"

namespace {
QString usageAndOptions() {
    return QStringLiteral(
        "Usage: slide-ferry-batch [OPTION]... PRESENTATION...\n"
        "Turn slide presentations into lectures on a Lumora server, without a window.\n"
        "\n"
        "Each presentation becomes one complete lecture of the class on the date: its slides\n"
        "as images, its slide text and its description, uploaded by FTP (the speaker notes\n"
        "are not uploaded). Several presentations go to successive sessions of the date,\n"
        "over one connection.\n"
        "\n"
        "Options:\n"
        "  --server HOST          the Lumora server, HOST or HOST:PORT\n"
        "  --corvane-id ID        the Corvane (FTP) user ID\n"
        "  --lumora-id ID         the Lumora user ID\n"
        "  --class CLASS          the class, as the server lists it\n"
        "  --date YYYY-MM-DD      the lecture's date\n"
        "  --session N            the session of that date (default 1)\n"
        "  --title TITLE          the lecture's title (one presentation only; default: the\n"
        "                         text of the first slide's first shape, else the file's\n"
        "                         name without its extension)\n"
        "  --range FIRST-LAST     the slides to send (one presentation only; default: all)\n"
        "  --format FORMAT        gif, jpg or png\n"
        "  --size SIZE            vga (616x412), svga (776x532), xga (1000x700), sxga\n"
        "                         (1256x956) or WIDTHxHEIGHT in pixels\n"
        "  --workdir DIR          where the images are made (deleted again afterwards)\n"
        "  --if-exists WHAT       when the lecture exists already: fail, next-session or\n"
        "                         append (default: fail for one presentation, next-session\n"
        "                         for several); append keeps the lecture's own title\n"
        "                         unless --title is given\n"
        "  --allow-empty          send a presentation whose slides all show nothing, or\n"
        "                         that the office had to repair to open (a damaged file\n"
        "                         may open so; refused without this)\n"
        "  --no-settings          ignore the choices the wizard remembers\n"
        "  --json                 print one JSON object per presentation on standard output\n"
        "                         (the steps then go to standard error)\n"
        "  -h, --help             show this help and exit\n"
        "  --version              show the version number and exit\n"
        "\n");
}

QString environmentAndStatus() {
    return QStringLiteral(
        "Server, user IDs, format, size and working directory default to the choices the\n"
        "slide-ferry wizard remembers.\n"
        "\n"
        "Environment:\n"
        "  SLIDE_FERRY_CORVANE_PASSWORD  the Corvane password\n"
        "  SLIDE_FERRY_LUMORA_PASSWORD   the Lumora password\n"
        "  SLIDE_FERRY_PRESENTATION_PASSWORD\n"
        "                                the password of protected presentations\n"
        "  SLIDE_FERRY_OFFICE_PROCESSES  how many office processes draw the slides (default:\n"
        "                                the cores, 2 to 4; 1: one office alone). Each takes\n"
        "                                about 200 MB and starts with the command\n"
        "Passwords are never taken from the command line; a password that is not set is asked\n"
        "for on the terminal, without echo. The variables are removed from the environment as\n"
        "soon as they are read, so that no child process (the office) inherits them, and the\n"
        "command writes no core dump.\n"
        "\n"
        "Exit status:\n"
        "  0  every lecture was sent\n"
        "  1  a lecture failed (the others were still sent; the summary names it)\n"
        "  2  the command line cannot be carried out\n"
        "  129  stopped by SIGHUP\n"
        "  130  stopped by SIGINT (Ctrl-C)\n"
        "  143  stopped by SIGTERM\n"
        "A signal stops the run at its next step: what the lecture under way sent is removed\n"
        "from the server and its working files are deleted; with --json, it and the lectures\n"
        "not started say \"stopped\". A second signal ends the command at once.\n"
        "\n");
}
} // namespace

QString batchHelpText() {
    return usageAndOptions() + environmentAndStatus() +
           QStringLiteral("Example:\n"
                          "  slide-ferry-batch --server lumora.example.edu --corvane-id ann "
                          "--lumora-id ann \\\n"
                          "      --class cs101fall26 --date 2026-09-21 week1.ppt week2.pptx\n");
}
