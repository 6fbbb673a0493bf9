#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;

// An SQLite error: the result code and its message. Thrown by CppSQLite3DB; the database
// object that uses it catches every one.
class CppSQLite3Exception
{
public:
    static constexpr int kNotOpen = 1000;

    CppSQLite3Exception(int code, std::string message) : code(code), message(std::move(message)) {}
    int Code() const { return code; }
    const std::string& Message() const { return message; }

private:
    int code;
    std::string message;
};

// A thin connection to an SQLite database with a page codec.
class CppSQLite3DB
{
public:
    static constexpr int kBusyTimeoutMs = 60000;

    CppSQLite3DB() = default;
    ~CppSQLite3DB();
    CppSQLite3DB(const CppSQLite3DB&) = delete;
    CppSQLite3DB& operator=(const CppSQLite3DB&) = delete;

    // Opens for reading and writing, creating the file when missing.
    void open(const std::string& utf8Path);
    void close();
    bool isOpen() const { return db != nullptr; }
    // Attaches the codec key to the "main" database.
    void key(std::string_view keyText);
    // Runs the statements; returns the rows changed by the last one.
    int execDML(const std::string& sql);
    // One statement with its `?` parameters bound in order (nullopt binds NULL).
    int execBound(const std::string& sql, std::initializer_list<std::optional<std::string>> values);
    // The first column of the first row as an integer.
    int execScalar(const std::string& sql);

private:
    sqlite3* Handle() const;
    [[noreturn]] void Throw(int code) const;

    sqlite3* db = nullptr;
};
