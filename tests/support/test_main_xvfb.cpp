#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>

#include <gtest/gtest.h>

// For tests that draw with OpenGL or need real window-system events: a private Xvfb (Mesa's
// software OpenGL) is started before the application connects to it, and stopped at the end.
// Without Xvfb the tests run off screen and those that need a display skip.
int main(int argc, char** argv) {
    int fds[2];
    pid_t xvfb = -1;
    if (pipe(fds) == 0) {
        xvfb = fork();
        if (xvfb == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c = 0;
        while (xvfb > 0 && read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(fds[0]);
        if (!number.empty()) {
            qputenv("DISPLAY", QByteArray(":") + QByteArray::fromStdString(number));
            qputenv("QT_QPA_PLATFORM", "xcb");
        } else {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }
    int result = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    if (xvfb > 0) {
        kill(xvfb, SIGTERM);
        waitpid(xvfb, nullptr, 0);
    }
    return result;
}
