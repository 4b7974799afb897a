@echo off
rem Starts the server in a console window of its own, then one client. Both
rem read map\ and imgs\ from this folder, so they start here.
cd /d "%~dp0"
start "tilegame server" server.exe
rem The client looks for the server once, as it starts: give the server a
rem second to listen first.
ping -n 2 127.0.0.1 >nul
start "" client.exe
