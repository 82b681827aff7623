#include "run_program.hpp"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <chrono>
#include <poll.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tolvane::testing {

namespace {

// The program, behind the checker named by TOLVANE_TEST_WRAPPER (such as
// valgrind and its options) when that is set.
std::vector<std::string> program_command()
{
    std::vector<std::string> words;
    if (const char* wrapper = std::getenv("TOLVANE_TEST_WRAPPER")) {
        std::istringstream split{wrapper};
        for (std::string word; split >> word;)
            words.push_back(word);
    }
    words.push_back(TOLVANE_PROGRAM);
    return words;
}

struct pipe_pair {
    int read_end = -1;
    int write_end = -1;
    pipe_pair()
    {
        int ends[2];
        if (pipe(ends) != 0)
            throw std::runtime_error{"pipe failed"};
        read_end = ends[0];
        write_end = ends[1];
    }
};

// Reads both pipes until the program closes them, or until `until` is seen
// in its output when that is not empty.
void collect(int out_fd, int err_fd, program_run& run, const std::string& until)
{
    pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        if (!until.empty() && run.output.find(until) != std::string::npos)
            return;
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            throw std::runtime_error{"poll failed"};
        for (pollfd& fd : fds) {
            if (fd.fd < 0 || fd.revents == 0)
                continue;
            char chunk[4096];
            const ssize_t got = read(fd.fd, chunk, sizeof chunk);
            if (got <= 0) {
                fd.fd = -1;
                --open;
                continue;
            }
            (fd.fd == out_fd ? run.output : run.errors).append(chunk, static_cast<std::size_t>(got));
        }
    }
}

program_run run(const std::vector<std::string>& arguments, const std::filesystem::path& folder,
                bool watch_for_key_wait, const std::string& last_output)
{
    // A program that ended early must not take the tests down with it.
    std::signal(SIGPIPE, SIG_IGN);
    pipe_pair in;
    pipe_pair out;
    pipe_pair err;
    std::vector<std::string> words = program_command();
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error{"fork failed"};
    if (child == 0) {
        dup2(in.read_end, 0);
        dup2(out.write_end, 1);
        dup2(err.write_end, 2);
        for (int fd : {in.read_end, in.write_end, out.read_end, out.write_end, err.read_end,
                       err.write_end})
            close(fd);
        if (chdir(folder.c_str()) == 0)
            execvp(argv[0], argv.data());
        _exit(127);
    }
    close(in.read_end);
    close(out.write_end);
    close(err.write_end);

    program_run result;
    int status = 0;
    if (watch_for_key_wait) {
        collect(out.read_end, err.read_end, result, last_output);
        // Everything is printed; a program that does not wait ends at once.
        result.waited_for_key = true;
        for (int tick = 0; tick < 200 && result.waited_for_key; ++tick) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            result.waited_for_key = waitpid(child, &status, WNOHANG) == 0;
        }
        if (result.waited_for_key && write(in.write_end, "\n", 1) != 1)
            throw std::runtime_error{"cannot give the program a key"};
    }
    close(in.write_end);
    collect(out.read_end, err.read_end, result, {});
    close(out.read_end);
    close(err.read_end);
    rusage usage {};
    if (!watch_for_key_wait || result.waited_for_key)
        wait4(child, &status, 0, &usage);
    result.peak_memory_kib = usage.ru_maxrss;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace

program_run run_tolvane(const std::vector<std::string>& arguments,
                        const std::filesystem::path& folder)
{
    return run(arguments, folder, false, {});
}

program_run run_tolvane_watching_for_key_wait(const std::vector<std::string>& arguments,
                                              const std::filesystem::path& folder,
                                              const std::string& output)
{
    return run(arguments, folder, true, output);
}

} // namespace tolvane::testing
