// The interactive road of the built program, run as a process.
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(InteractiveRoad, WithoutAWindowSystemForOpenGLItSaysSoAndExits)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("TMPDIR"), home.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(home.path());
    program.start(QStringLiteral(TEVRIN_EXECUTABLE), {QStringLiteral("model.obj")});
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 255);
    EXPECT_TRUE(program.readAllStandardError().contains("This system has no OpenGL support. Exiting."));
    // No window was begun.
    EXPECT_FALSE(program.readAllStandardOutput().contains("Creating main window..."));
}
