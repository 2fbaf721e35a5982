@echo off
rem Registers Nelvo_data.dll, the class getuser_data (ProgID
rem Nelvo_data.getuser_data), so that scripts and programs can create it.
rem
rem   register.cmd            for the current user: no administrator rights
rem                           needed (programs run as administrator do not
rem                           see a registration made this way)
rem   register.cmd /machine   for all users: run it from a command prompt
rem                           opened with "Run as administrator"
rem
rem On 64-bit Windows it registers both DLLs, each with the regsvr32 of its
rem own bitness: x64\Nelvo_data.dll for 64-bit programs, x86\Nelvo_data.dll
rem for 32-bit ones. On 32-bit Windows it registers x86\Nelvo_data.dll only.
rem It says what it did, checks that the ProgID is registered afterwards and
rem exits with 0; if anything fails it undoes the registrations it made and
rem exits with 1. unregister.cmd undoes it.
rem
rem Paths are only ever used in quotes, and never inside a parenthesised
rem block: a folder such as "nelvo-data (1)" or "Lohn & Gehalt" must work.
setlocal EnableExtensions
set "here=%~dp0"
set "mode=%~1"
if "%mode%"=="" set "mode=/user"
if not "%~2"=="" goto usage
if /i "%mode%"=="/user" (
    set "how=/n /i:user"
    set "whom=the current user"
    set "classes=HKCU\Software\Classes"
    set "undo=unregister.cmd"
) else if /i "%mode%"=="/machine" (
    set "how="
    set "whom=all users"
    set "classes=HKLM\Software\Classes"
    set "undo=unregister.cmd /machine"
) else (
    goto usage
)

rem A 32-bit command prompt on 64-bit Windows reaches the 64-bit System32
rem through Sysnative.
set "system=%SystemRoot%\System32"
if exist "%SystemRoot%\Sysnative\regsvr32.exe" set "system=%SystemRoot%\Sysnative"
set "regsvr32_x86=%system%\regsvr32.exe"
set "registered_x64="
set "registered_x86="
if not exist "%SystemRoot%\SysWOW64\regsvr32.exe" goto register_x86
set "regsvr32_x86=%SystemRoot%\SysWOW64\regsvr32.exe"
call :register x64 "%system%\regsvr32.exe" 64-bit
if errorlevel 1 goto failed
:register_x86
call :register x86 "%regsvr32_x86%" 32-bit
if errorlevel 1 goto failed

rem regsvr32 reported success: the ProgID that scripts create the class by
rem must now be there.
"%system%\reg.exe" query "%classes%\Nelvo_data.getuser_data\Clsid" >nul 2>&1
if errorlevel 1 goto not_found
echo Nelvo_data.getuser_data is registered for %whom%.
exit /b 0

:not_found
>&2 echo register.cmd: regsvr32 reported success, but %classes%\Nelvo_data.getuser_data is missing.
:failed
if defined registered_x86 call :undo x86 "%regsvr32_x86%" 32-bit
if defined registered_x64 call :undo x64 "%system%\regsvr32.exe" 64-bit
exit /b 1

rem :register FOLDER REGSVR32 BITNESS
:register
set "dll=%here%%~1\Nelvo_data.dll"
if not exist "%dll%" goto register_missing
"%~2" /s %how% "%dll%"
set "rc=%errorlevel%"
if not "%rc%"=="0" goto register_failed
echo Registered %~1\Nelvo_data.dll (%~3) for %whom%.
set "registered_%~1=1"
exit /b 0
:register_missing
>&2 echo register.cmd: "%dll%" is missing.
exit /b 1
:register_failed
>&2 echo register.cmd: regsvr32 could not register %~1\Nelvo_data.dll (%~3) for %whom% (exit code %rc%).
if /i "%mode%"=="/machine" >&2 echo Registering for all users needs a command prompt opened with "Run as administrator".
exit /b 1

rem :undo FOLDER REGSVR32 BITNESS
:undo
"%~2" /s /u %how% "%here%%~1\Nelvo_data.dll"
if errorlevel 1 goto undo_failed
echo Undone: %~1\Nelvo_data.dll (%~3) is no longer registered for %whom%.
exit /b 0
:undo_failed
>&2 echo register.cmd: %~1\Nelvo_data.dll (%~3) could not be unregistered again; run %undo%.
exit /b 1

:usage
>&2 echo usage: register.cmd [/machine]
exit /b 2
