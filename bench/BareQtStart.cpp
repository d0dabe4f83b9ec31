// The yardstick of the command line's start-up: a program that makes a
// QCoreApplication and ends.
#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return 0;
}
