@echo off
rem Removes the registration register.cmd made, for the same users:
rem
rem   unregister.cmd            for the current user
rem   unregister.cmd /machine   for all users (run as administrator)
rem
rem On 64-bit Windows it unregisters both DLLs, each with the regsvr32 of its
rem own bitness; on 32-bit Windows x86\Nelvo_data.dll only. It tries every
rem DLL even when one fails, says what it did, checks that the ProgID is gone
rem afterwards, and exits with 1 if anything failed.
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
) else if /i "%mode%"=="/machine" (
    set "how="
    set "whom=all users"
    set "classes=HKLM\Software\Classes"
) else (
    goto usage
)

set "system=%SystemRoot%\System32"
if exist "%SystemRoot%\Sysnative\regsvr32.exe" set "system=%SystemRoot%\Sysnative"
set "failed="
if not exist "%SystemRoot%\SysWOW64\regsvr32.exe" goto x86_only
call :unregister x86 "%SystemRoot%\SysWOW64\regsvr32.exe" 32-bit
call :unregister x64 "%system%\regsvr32.exe" 64-bit
goto unregistered
:x86_only
call :unregister x86 "%system%\regsvr32.exe" 32-bit
:unregistered
if defined failed exit /b 1

rem With both DLLs unregistered the ProgID must be gone.
"%system%\reg.exe" query "%classes%\Nelvo_data.getuser_data" >nul 2>&1
if not errorlevel 1 goto still_there
echo Nelvo_data.getuser_data is no longer registered for %whom%.
exit /b 0
:still_there
>&2 echo unregister.cmd: regsvr32 reported success, but %classes%\Nelvo_data.getuser_data is still there.
exit /b 1

rem :unregister FOLDER REGSVR32 BITNESS
:unregister
set "dll=%here%%~1\Nelvo_data.dll"
if not exist "%dll%" goto unregister_missing
"%~2" /s /u %how% "%dll%"
set "rc=%errorlevel%"
if not "%rc%"=="0" goto unregister_failed
echo Unregistered %~1\Nelvo_data.dll (%~3) for %whom%.
exit /b 0
:unregister_missing
>&2 echo unregister.cmd: "%dll%" is missing.
set "failed=1"
exit /b 1
:unregister_failed
>&2 echo unregister.cmd: regsvr32 could not unregister %~1\Nelvo_data.dll (%~3) for %whom% (exit code %rc%).
set "failed=1"
exit /b 1

:usage
>&2 echo usage: unregister.cmd [/machine]
exit /b 2
